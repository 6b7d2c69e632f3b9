#pragma once

// The input QPDF reads a loaded file through. QPDF's own file source asks
// the system for the position at every token, which makes reading the page
// tree of a large file slow; this one keeps the position itself and reads
// the file in cached blocks. Text may be added after the file's end (a
// trailer for a file cut short), in memory only.

#include <qpdf/InputSource.hh>

#include <QFile>

#include <list>
#include <string>
#include <vector>

namespace fpe {

class CachedFileSource : public InputSource
{
public:
    // Opens the file; throws std::runtime_error when it cannot be read.
    explicit CachedFileSource(const QString& path, std::string tail = std::string());

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const& getName() const override { return name; }
    qpdf_offset_t tell() override { return position; }
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override { position = 0; }
    size_t read(char* buffer, size_t length) override;
    void unreadCh(char) override;

private:
    struct Block {
        qint64 index = -1;
        std::vector<char> data;  // shorter than blockSize at the end of the file
    };
    static constexpr qint64 blockSize = 64 * 1024;
    static constexpr size_t cachedBlocks = 16;

    const Block& block(qint64 index);
    // The character at pos (file or tail); false past the data.
    bool charAt(qint64 pos, char& c);

    QFile file;
    std::string name;
    std::string tail;
    qint64 fileSize = 0;
    qint64 size = 0;  // file and tail
    qint64 position = 0;
    std::list<Block> blocks;  // most recently used first
};

} // namespace fpe

namespace fpe {

// A trailer naming the document catalog, for a file whose end was cut off
// with its trailer: QPDF cannot rebuild the cross-reference data without
// one. Empty when no catalog object is found.
std::string substituteTrailer(const QString& path);

} // namespace fpe
