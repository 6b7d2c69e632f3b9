#pragma once

// The input QPDF reads a loaded file through. QPDF's own file source asks
// the system for the position at every token, which makes reading the page
// tree of a large file slow; this one keeps the position itself and reads
// the file in cached blocks.

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
    explicit CachedFileSource(const QString& path);

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

    QFile file;
    std::string name;
    qint64 size = 0;
    qint64 position = 0;
    std::list<Block> blocks;  // most recently used first
};

} // namespace fpe
