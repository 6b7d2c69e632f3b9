#include "shellsupport.h"

#include "testsupport.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <map>

namespace shellsupport {

bool encryptPdf(const QString& in, const QString& out, const QString& userPassword)
{
    const int rc = testsupport::run(QStringLiteral("qpdf"),
                                    {QStringLiteral("--encrypt"), userPassword, userPassword + QStringLiteral("-owner"),
                                     QStringLiteral("256"), QStringLiteral("--"), in, out});
    return rc == 0 || rc == 3;
}

namespace {

QPDFObjectHandle outlineItem(QPDF& pdf, const QString& title, QPDFObjectHandle page)
{
    auto item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
    item.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/Fit")}));
    return item;
}

// Links items as the children of parent.
void linkChildren(QPDFObjectHandle parent, std::vector<QPDFObjectHandle> items)
{
    if (items.empty())
        return;
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].replaceKey("/Parent", parent);
        if (i > 0)
            items[i].replaceKey("/Prev", items[i - 1]);
        if (i + 1 < items.size())
            items[i].replaceKey("/Next", items[i + 1]);
    }
    parent.replaceKey("/First", items.front());
    parent.replaceKey("/Last", items.back());
    parent.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(items.size())));
}

} // namespace

bool addOutlines(const QString& path, const QStringList& titles, const QList<int>& pages, int children)
{
    try {
        QPDF pdf;
        pdf.processFile(QFile::encodeName(path).constData());
        auto pageList = QPDFPageDocumentHelper(pdf).getAllPages();
        auto root = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        std::vector<QPDFObjectHandle> top;
        for (int i = 0; i < titles.size(); ++i) {
            auto page = pageList.at(size_t(pages.value(i, 1) - 1)).getObjectHandle();
            auto item = outlineItem(pdf, titles.at(i), page);
            std::vector<QPDFObjectHandle> kids;
            for (int k = 0; k < children; ++k)
                kids.push_back(outlineItem(pdf, titles.at(i) + QStringLiteral(" / %1").arg(k + 1), page));
            linkChildren(item, kids);
            top.push_back(item);
        }
        linkChildren(root, top);
        pdf.getRoot().replaceKey("/Outlines", root);
        const QString tmp = path + QStringLiteral(".tmp");
        {
            QPDFWriter writer(pdf, QFile::encodeName(tmp).constData());
            writer.write();
        }
        QFile::remove(path);
        return QFile::rename(tmp, path);
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

void walk(std::vector<QPDFOutlineObjectHelper> items, int depth, const std::map<QPDFObjGen, int>& pageIndex,
          QList<Outline>& out)
{
    for (auto& item : items) {
        Outline o;
        o.title = QString::fromStdString(item.getTitle());
        o.depth = depth;
        auto page = item.getDestPage();
        if (page.isDictionary()) {
            auto it = pageIndex.find(page.getObjGen());
            if (it != pageIndex.end())
                o.page = it->second;
        }
        out.append(o);
        walk(item.getKids(), depth + 1, pageIndex, out);
    }
}

} // namespace

QList<Outline> readOutlines(const QString& path, const QString& password)
{
    QList<Outline> out;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(path).constData(), password.toUtf8().constData());
        std::map<QPDFObjGen, int> pageIndex;
        int n = 0;
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages())
            pageIndex[page.getObjectHandle().getObjGen()] = ++n;
        QPDFOutlineDocumentHelper outlines(pdf);
        walk(outlines.getTopLevelOutlines(), 0, pageIndex, out);
    } catch (const std::exception&) {
        out.clear();
        out.append(Outline{QStringLiteral("<unreadable>"), -1, -1});
    }
    return out;
}

QStringList pageTexts(const QString& path, int pages)
{
    QStringList texts;
    for (int p = 1; p <= pages; ++p)
        texts << testsupport::pdfText(path, p).trimmed();
    return texts;
}

bool writeIcon(const QString& path, const QColor& colour, int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    QImageWriter writer(path, "ico");
    return writer.write(image);
}

} // namespace shellsupport
