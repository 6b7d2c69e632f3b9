#include "document.h"

#include <qpdf/QPDFWriter.hh>
#include <qpdf/Buffer.hh>

#include <QFileInfo>

#include <sys/stat.h>

namespace fpe {

FileIdentity FileIdentity::of(const QString& path)
{
    FileIdentity id;
    QFileInfo info(path);
    if (!info.exists())
        return id;
    id.size = info.size();
    id.modified = info.lastModified();
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id.inode = static_cast<quint64>(st.st_ino);
#ifndef Q_OS_WIN
        id.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    }
    return id;
}

Document::Document(int documentId)
    : id(documentId)
{
}

Document::~Document() = default;

void configureQuietly(QPDF& pdf)
{
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(true);
}

std::shared_ptr<const QByteArray> Document::snapshot()
{
    if (snapshotData && snapshotRevision == revision)
        return snapshotData;
    QPDFWriter writer(*pdf);
    writer.setOutputMemory();
    writer.setPreserveEncryption(false);
    writer.setStaticID(false);
    writer.write();
    std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    auto data = std::make_shared<QByteArray>(reinterpret_cast<const char*>(buffer->getBuffer()),
                                             static_cast<int>(buffer->getSize()));
    snapshotData = data;
    snapshotRevision = revision;
    return snapshotData;
}

} // namespace fpe
