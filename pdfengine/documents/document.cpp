#include "documents/document.h"

#include "documents/pages.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <limits>
#include <set>
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

int statedPageCount(QPDF& pdf)
{
    // Repair, or anything else QPDF found wrong, means the tree is walked.
    if (pdf.anyWarnings())
        return 0;
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    if (!root.isIndirect() || !root.isDictionary() || !root.getKey("/Type").isNameAndEquals("/Pages"))
        return 0;
    QPDFObjectHandle count = root.getKey("/Count"), kids = root.getKey("/Kids");
    if (!count.isInteger() || !kids.isArray())
        return 0;
    // Each child a page or a node whose own count adds up with the others':
    // one level deep, which costs a few objects however many pages there are.
    std::set<QPDFObjGen> seen{root.getObjGen()};
    long long sum = 0;
    for (QPDFObjectHandle kid : kids.aitems()) {
        if (!kid.isIndirect() || !seen.insert(kid.getObjGen()).second || !kid.isDictionary())
            return 0;
        QPDFObjectHandle type = kid.getKey("/Type");
        if (type.isNameAndEquals("/Page")) {
            ++sum;
            continue;
        }
        QPDFObjectHandle kidCount = kid.getKey("/Count");
        if (!type.isNameAndEquals("/Pages") || !kidCount.isInteger() || kidCount.getIntValue() < 1 ||
            !kid.getKey("/Kids").isArray())
            return 0;
        sum += kidCount.getIntValue();
        if (sum > std::numeric_limits<int>::max())
            return 0;
    }
    if (sum < 1 || sum != count.getIntValue() || pdf.anyWarnings())
        return 0;
    return static_cast<int>(sum);
}

const std::vector<QPDFObjectHandle>& walkPageTree(QPDF& pdf)
{
    const std::vector<QPDFObjectHandle>& pages = pdf.getAllPages();
    if (std::all_of(pages.begin(), pages.end(), [](QPDFObjectHandle p) { return p.isDictionary(); }))
        return pages;
    std::vector<QPDFObjectHandle> kept;
    for (QPDFObjectHandle page : pages)
        if (page.isDictionary())
            kept.push_back(page);
    setPageList(pdf, kept);
    return pdf.getAllPages();
}

void Document::readPageTree(int stated)
{
    statedPages = stated;
    pagesWalked = false;
    if (stated <= 0)
        pageObjects();
}

const std::vector<QPDFObjectHandle>& Document::pageObjects()
{
    if (!pagesWalked) {
        walkPageTree(*pdf);
        pagesWalked = true;
    }
    return pdf->getAllPages();
}

std::shared_ptr<const QByteArray> Document::snapshot()
{
    if (snapshotData && snapshotRevision == revision)
        return snapshotData;
    pageObjects();  // saved without pages that are gone
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
