#include "outputfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
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

} // namespace

OutputFile::OutputFile(const QString& targetPath)
{
    if (targetPath.isEmpty())
        return;
    QFileInfo info(targetPath);
    // Writing through a link replaces what it points at, not the link.
    if (info.isSymLink())
        info = QFileInfo(info.symLinkTarget());
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

bool OutputFile::commit()
{
    if (!temp || failed || !temp->flush() || temp->error() != QFileDevice::NoError)
        return false;
    const QFileInfo existing(target);
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
