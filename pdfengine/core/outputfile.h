#pragma once

// Files written completely or not at all: the data goes to a temporary file
// beside the target, which replaces the target only once everything was
// written. A failed or abandoned write leaves no partial file and any earlier
// file intact; a file that replaces another reaches the disk before it does.
// The temporary file is readable and seekable, which libtiff needs when it
// links the directories of a multi-page file.

#include <QString>

#include <memory>
#include <vector>

class QIODevice;
class QTemporaryFile;

namespace fpe {

class OutputFile
{
public:
    explicit OutputFile(const QString& target);
    ~OutputFile();  // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isOpen() const;
    QIODevice& device();
    bool write(const char* data, qint64 size);
    // Writes the pieces in order, with few system calls and no copying.
    struct Piece {
        const char* data;
        qint64 size;
    };
    bool write(const std::vector<Piece>& pieces);
    // Moves the written file into place; false (and nothing changed) when
    // any write failed or the move did not succeed.
    bool commit();

private:
    QString target;
    std::unique_ptr<QTemporaryFile> temp;
    bool failed = false;
};

} // namespace fpe
