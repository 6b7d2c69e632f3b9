#include "core/outputfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace fpe {

namespace {

// Replaces target by source in one step.
bool replaceFile(const QString& source, const QString& target)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(source).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(target).utf16()),
                       MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
#endif
}

// Puts the written data on the disk. Only a failing device counts as
// failure: file systems that cannot sync have nothing to lose by it.
bool syncToDisk(QFileDevice& file)
{
    const int fd = file.handle();
    if (fd < 0)
        return false;
#ifdef Q_OS_WIN
    return _commit(fd) == 0;
#else
#ifdef Q_OS_LINUX
    const int result = ::fdatasync(fd);
#else
    const int result = ::fsync(fd);
#endif
    return result == 0 || (errno != EIO && errno != ENOSPC && errno != EDQUOT);
#endif
}

} // namespace

OutputFile::OutputFile(const QString& targetPath)
{
    if (targetPath.isEmpty())
        return;
    QFileInfo info(targetPath);
    // Writing through a link replaces what it points at, at the end of a
    // chain of links, not a link.
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        info = QFileInfo(resolved.isEmpty() ? info.symLinkTarget() : resolved);  // empty: the link leads nowhere yet
    }
    if (info.isDir())
        return;
    target = info.absoluteFilePath();
    auto file = std::make_unique<QTemporaryFile>(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                                 + QStringLiteral(".XXXXXX"));
    if (!file->open())
        return;
    temp = std::move(file);
}

OutputFile::~OutputFile() = default;

bool OutputFile::isOpen() const
{
    return temp != nullptr;
}

QIODevice& OutputFile::device()
{
    return *temp;
}

bool OutputFile::write(const char* data, qint64 size)
{
    if (!temp || failed)
        return false;
    if (temp->write(data, size) != size)
        failed = true;
    return !failed;
}

bool OutputFile::write(const std::vector<Piece>& pieces)
{
    if (!temp || failed)
        return false;
#ifndef Q_OS_WIN
    // Straight to the file descriptor, after whatever QFile still buffers.
    if (!temp->flush()) {
        failed = true;
        return false;
    }
    const int fd = temp->handle();
    std::vector<iovec> batch;
    size_t next = 0;
    while (next < pieces.size() && !failed) {
        batch.clear();
        for (size_t i = next; i < pieces.size() && batch.size() < IOV_MAX; ++i)
            batch.push_back({const_cast<char*>(pieces[i].data), static_cast<size_t>(pieces[i].size)});
        size_t done = 0;  // pieces of this batch written
        while (done < batch.size()) {
            const ssize_t n = ::writev(fd, batch.data() + done, static_cast<int>(batch.size() - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                failed = true;
                break;
            }
            size_t left = static_cast<size_t>(n);
            while (done < batch.size() && left >= batch[done].iov_len)
                left -= batch[done++].iov_len;
            if (done < batch.size()) {
                batch[done].iov_base = static_cast<char*>(batch[done].iov_base) + left;
                batch[done].iov_len -= left;
            }
        }
        next += batch.size();
    }
    // QFile's idea of the position follows the descriptor's.
    if (!failed && !temp->seek(temp->size()))
        failed = true;
    return !failed;
#else
    for (const Piece& piece : pieces)
        if (!write(piece.data, piece.size))
            return false;
    return true;
#endif
}

bool OutputFile::commit()
{
    if (!temp || failed || !temp->flush() || temp->error() != QFileDevice::NoError)
        return false;
    const QFileInfo existing(target);
    // A file that replaces another is on the disk before the rename, so that
    // a crash cannot leave an empty file where the earlier one was. A new
    // file has no earlier data to lose: syncing it would only make writing
    // many files (the splitter's parts) several times slower.
    if (existing.exists() && !syncToDisk(*temp))
        return false;
    const QFileDevice::Permissions permissions = existing.exists()
        ? existing.permissions()
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
              | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    temp->setPermissions(permissions);
    const QString written = temp->fileName();
    temp->close();
    if (!replaceFile(written, target))
        return false;  // the temporary file goes with temp
    temp->setAutoRemove(false);
    temp.reset();
    return true;
}

} // namespace fpe
