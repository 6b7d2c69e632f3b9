#include "documents/filesource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <stdexcept>

namespace fpe {

CachedFileSource::CachedFileSource(const QString& path, std::string tail)
    : file(path)
    , name(QFile::encodeName(path).toStdString())
    , tail(std::move(tail))
{
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw std::runtime_error(name + ": cannot be opened");
    fileSize = file.size();
    size = fileSize + static_cast<qint64>(this->tail.size());
}

bool CachedFileSource::charAt(qint64 pos, char& c)
{
    if (pos >= fileSize) {
        if (pos >= size)
            return false;
        c = tail[static_cast<size_t>(pos - fileSize)];
        return true;
    }
    const Block& b = block(pos / blockSize);
    const qint64 offset = pos % blockSize;
    if (offset >= static_cast<qint64>(b.data.size()))
        return false;
    c = b.data[static_cast<size_t>(offset)];
    return true;
}

const CachedFileSource::Block& CachedFileSource::block(qint64 index)
{
    for (auto it = blocks.begin(); it != blocks.end(); ++it) {
        if (it->index != index)
            continue;
        if (it != blocks.begin())
            blocks.splice(blocks.begin(), blocks, it);
        return blocks.front();
    }
    Block b;
    if (blocks.size() >= cachedBlocks) {
        b = std::move(blocks.back());  // reuse its memory
        blocks.pop_back();
    }
    b.index = index;
    b.data.resize(static_cast<size_t>(blockSize));
    qint64 got = -1;
    if (file.seek(index * blockSize))
        got = file.read(b.data.data(), blockSize);
    // A file that shrank since it was opened ends early; QPDF meets the end of data.
    b.data.resize(got > 0 ? static_cast<size_t>(got) : 0);
    blocks.push_front(std::move(b));
    return blocks.front();
}

size_t CachedFileSource::read(char* buffer, size_t length)
{
    if (position >= size) {
        last_offset = size;
        return 0;
    }
    last_offset = position;
    size_t done = 0;
    // Long reads (stream data) go straight to the file.
    if (length >= static_cast<size_t>(blockSize) && position < fileSize && file.seek(position)) {
        const qint64 got = file.read(buffer, std::min<qint64>(static_cast<qint64>(length), fileSize - position));
        if (got > 0) {
            position += got;
            return static_cast<size_t>(got);
        }
        return 0;
    }
    while (done < length && position < size) {
        if (position >= fileSize) {
            const size_t n = std::min(length - done, static_cast<size_t>(size - position));
            std::memcpy(buffer + done, tail.data() + (position - fileSize), n);
            done += n;
            position += static_cast<qint64>(n);
            break;
        }
        const Block& b = block(position / blockSize);
        const qint64 offset = position % blockSize;
        if (offset >= static_cast<qint64>(b.data.size()))
            break;  // the file ends early: the tail is not reached
        const size_t n = std::min(length - done, b.data.size() - static_cast<size_t>(offset));
        std::memcpy(buffer + done, b.data.data() + offset, n);
        done += n;
        position += static_cast<qint64>(n);
    }
    return done;
}

qpdf_offset_t CachedFileSource::findAndSkipNextEOL()
{
    // Returns the offset of the next end of line and moves past it and any
    // end-of-line characters after it; at the end of data, the end.
    char c = 0;
    while (position < size && charAt(position, c) && c != '\r' && c != '\n')
        ++position;
    if (position >= size || (c != '\r' && c != '\n')) {
        position = size;
        last_offset = size;
        return size;
    }
    const qint64 result = position;
    ++position;
    while (position < size && charAt(position, c) && (c == '\r' || c == '\n'))
        ++position;
    return result;
}

void CachedFileSource::seek(qpdf_offset_t offset, int whence)
{
    qint64 base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_END: base = size; break;
    case SEEK_CUR: base = position; break;
    default: throw std::logic_error("CachedFileSource: bad seek origin");
    }
    // Offsets come from the file and may be anything.
    if (offset > 0 && base > std::numeric_limits<qint64>::max() - offset)
        throw std::runtime_error(name + ": seek beyond any file");
    const qint64 target = base + offset;
    if (target < 0)
        throw std::runtime_error(name + ": seek before the beginning of the file");
    position = target;
}

void CachedFileSource::unreadCh(char)
{
    if (position > 0)
        --position;
}

} // namespace fpe

namespace fpe {

std::string substituteTrailer(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    // The last "n g obj" before a "/Catalog" within the object's reach.
    constexpr int reach = 4096;
    qint64 number = -1, generation = -1;
    QByteArray carry;
    while (!file.atEnd()) {
        const QByteArray data = carry + file.read(1 << 20);
        // The encryption dictionary went with the trailer: such a file
        // would open as if its text were plain.
        if (data.contains("/Encrypt"))
            return std::string();
        for (int at = data.indexOf("/Catalog"); at >= 0; at = data.indexOf("/Catalog", at + 1)) {
            const int start = std::max(0, at - reach);
            const int obj = data.lastIndexOf(" obj", at);
            const int objNoSpace = data.lastIndexOf("\nobj", at);  // rare layouts
            const int o = std::max(obj, objNoSpace);
            if (o < start)
                continue;
            // Back over the generation and the object number.
            int p = o;
            auto skipSpace = [&]() {
                while (p > 0 && (data[p - 1] == ' ' || data[p - 1] == '\n' || data[p - 1] == '\r'))
                    --p;
            };
            auto digits = [&]() -> qint64 {
                const int end = p;
                while (p > 0 && data[p - 1] >= '0' && data[p - 1] <= '9' && end - p < 10)
                    --p;
                return end > p ? data.mid(p, end - p).toLongLong() : -1;
            };
            p = o + 1;  // just after the last digit or the space before "obj"
            skipSpace();
            const qint64 g = digits();
            skipSpace();
            const qint64 n = digits();
            if (n > 0 && g >= 0) {
                number = n;
                generation = g;
            }
        }
        carry = data.right(reach);
    }
    if (number < 0)
        return std::string();
    return "\ntrailer\n<< /Root " + std::to_string(number) + " " + std::to_string(generation) + " R >>\n";
}

} // namespace fpe
