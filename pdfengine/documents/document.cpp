#include "documents/document.h"

#include <qpdf/QPDFWriter.hh>
#include <qpdf/Buffer.hh>

#include <QFileInfo>

#include <sys/stat.h>

#include <limits>
#include <stdexcept>

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
    // Only Poppler reads it: streams are copied as they are, with no decoding,
    // recompression or object streams to build.
    QPDFWriter writer(*pdf);
    writer.setOutputMemory();
    writer.setPreserveEncryption(false);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setObjectStreamMode(qpdf_o_disable);
    writer.write();
    std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    if (buffer->getSize() > static_cast<size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("document too large to render");
    auto data = std::make_shared<QByteArray>(reinterpret_cast<const char*>(buffer->getBuffer()),
                                             static_cast<int>(buffer->getSize()));
    snapshotData = data;
    snapshotRevision = revision;
    return snapshotData;
}

} // namespace fpe
