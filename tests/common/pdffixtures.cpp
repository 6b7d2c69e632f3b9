#include "pdffixtures.h"

#include "testsupport.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>

#include <functional>
#include <map>
#include <set>

namespace fixtures {

namespace {

QPDFObjectHandle number(double v)
{
    return QPDFObjectHandle::newReal(v, 3);
}

QPDFObjectHandle rect(const QRectF& r)
{
    return QPDFObjectHandle::newArray({number(r.left()), number(r.top()), number(r.right()), number(r.bottom())});
}

std::shared_ptr<QPDF> open(const QString& path)
{
    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    pdf->processFile(QFile::encodeName(path).constData());
    return pdf;
}

QPDFObjectHandle pageAt(QPDF& pdf, int n)
{
    return pdf.getAllPages().at(static_cast<size_t>(n - 1));
}

} // namespace

std::shared_ptr<QPDF> makePdf(const std::vector<PageSpec>& pages)
{
    auto pdf = std::make_shared<QPDF>();
    pdf->emptyPDF();
    QPDFObjectHandle font = pdf->makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    int n = 0;
    for (const PageSpec& spec : pages) {
        ++n;
        const QString text = spec.text.isEmpty() ? QStringLiteral("Page %1").arg(n) : spec.text;
        const QRectF& m = spec.mediaBox;
        // The text starts near the top left corner of the unrotated page.
        const std::string content = QStringLiteral("BT /F1 18 Tf %1 %2 Td (%3) Tj ET\n")
                                        .arg(m.left() + 20)
                                        .arg(m.top() + m.height() - 40)
                                        .arg(text)
                                        .toStdString();
        QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/MediaBox", rect(m));
        if (!spec.cropBox.isNull())
            page.replaceKey("/CropBox", rect(spec.cropBox));
        if (spec.rotate)
            page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(spec.rotate));
        QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
        QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
        fonts.replaceKey("/F1", font);
        resources.replaceKey("/Font", fonts);
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents", pdf->newStream(content));
        QPDFPageDocumentHelper(*pdf).addPage(QPDFPageObjectHelper(pdf->makeIndirectObject(page)), false);
    }
    return pdf;
}

std::shared_ptr<QPDF> makeNumberedPdf(int n, const QString& label)
{
    std::vector<PageSpec> pages(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        pages[static_cast<size_t>(i)].text = QStringLiteral("%1 page %2").arg(label).arg(i + 1);
    return makePdf(pages);
}

bool writePdf(QPDF& pdf, const QString& path)
{
    try {
        const QByteArray name = QFile::encodeName(path);  // QPDFWriter keeps the pointer
        QPDFWriter w(pdf, name.constData());
        w.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool writeNumberedPdf(const QString& path, int n, const QString& label)
{
    return writePdf(*makeNumberedPdf(n, label), path);
}

void addLink(QPDF& pdf, int from, int to, const QString& name)
{
    QPDFObjectHandle target = pageAt(pdf, to);
    QPDFObjectHandle dest = QPDFObjectHandle::newArray({target, QPDFObjectHandle::newName("/Fit")});
    QPDFObjectHandle annot = QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [50 50 150 80] /Border [0 0 0] >>");
    if (name.isEmpty()) {
        annot.replaceKey("/Dest", dest);
    } else {
        QPDFObjectHandle root = pdf.getRoot();
        if (!root.getKey("/Dests").isDictionary())
            root.replaceKey("/Dests", pdf.makeIndirectObject(QPDFObjectHandle::newDictionary()));
        root.getKey("/Dests").replaceKey("/" + name.toStdString(), dest);
        QPDFObjectHandle action = QPDFObjectHandle::parse("<< /S /GoTo >>");
        action.replaceKey("/D", QPDFObjectHandle::newName("/" + name.toStdString()));
        annot.replaceKey("/A", action);
    }
    QPDFObjectHandle page = pageAt(pdf, from);
    if (!page.getKey("/Annots").isArray())
        page.replaceKey("/Annots", QPDFObjectHandle::newArray());
    page.getKey("/Annots").appendItem(pdf.makeIndirectObject(annot));
}

void addTextField(QPDF& pdf, int page, const QString& name, const QString& value)
{
    QPDFObjectHandle root = pdf.getRoot();
    if (!root.getKey("/AcroForm").isDictionary()) {
        QPDFObjectHandle form = QPDFObjectHandle::parse(
            "<< /Fields [] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>");
        root.replaceKey("/AcroForm", pdf.makeIndirectObject(form));
    }
    QPDFObjectHandle p = pageAt(pdf, page);
    QPDFObjectHandle field = QPDFObjectHandle::parse(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /Rect [100 600 300 630] /F 4 /DA (/Helv 12 Tf 0 g) >>");
    field.replaceKey("/T", QPDFObjectHandle::newUnicodeString(name.toStdString()));
    field.replaceKey("/V", QPDFObjectHandle::newUnicodeString(value.toStdString()));
    field.replaceKey("/P", p);
    field = pdf.makeIndirectObject(field);
    root.getKey("/AcroForm").getKey("/Fields").appendItem(field);
    if (!p.getKey("/Annots").isArray())
        p.replaceKey("/Annots", QPDFObjectHandle::newArray());
    p.getKey("/Annots").appendItem(field);
}

void addOutlines(QPDF& pdf, const std::vector<std::pair<int, QString>>& items)
{
    const auto& pages = pdf.getAllPages();
    QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    pdf.getRoot().replaceKey("/Outlines", root);
    // parents[d]: the node at depth d - 1 that new items of depth d go under.
    std::vector<QPDFObjectHandle> parents{root};
    std::map<QPDFObjGen, int> counts;
    int i = 0;
    for (const auto& [depth, title] : items) {
        parents.resize(static_cast<size_t>(depth) + 1);
        QPDFObjectHandle parent = parents.back();
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
        item.replaceKey("/Parent", parent);
        item.replaceKey("/Dest", QPDFObjectHandle::newArray(
                                     {pages.at(static_cast<size_t>(i++) % pages.size()), QPDFObjectHandle::newName("/Fit")}));
        QPDFObjectHandle last = parent.getKey("/Last");
        if (last.isDictionary()) {
            last.replaceKey("/Next", item);
            item.replaceKey("/Prev", last);
        } else {
            parent.replaceKey("/First", item);
        }
        parent.replaceKey("/Last", item);
        // Every item open: each counts for all its ancestors.
        for (const QPDFObjectHandle& p : parents)
            counts[p.getObjGen()] += 1;
        parents.push_back(item);
    }
    for (const auto& [og, count] : counts)
        pdf.getObjectByObjGen(og).replaceKey("/Count", QPDFObjectHandle::newInteger(count));
}

void addXmp(QPDF& pdf, const QString& descriptionXml)
{
    const QString packet = QStringLiteral(
                               "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                               "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                               "%1\n"
                               "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>")
                               .arg(descriptionXml);
    QPDFObjectHandle stream = pdf.newStream(packet.toStdString());
    stream.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    stream.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    pdf.getRoot().replaceKey("/Metadata", stream);
}

bool encrypt(const QString& in, const QString& out, const QString& userPassword, const QString& ownerPassword,
             int keyLength, bool aes)
{
    QStringList args;
    if (keyLength == 40 || (keyLength == 128 && !aes))
        args << QStringLiteral("--allow-weak-crypto");
    args << QStringLiteral("--encrypt") << userPassword << ownerPassword << QString::number(keyLength);
    if (keyLength == 128)
        args << (aes ? QStringLiteral("--use-aes=y") : QStringLiteral("--use-aes=n"));
    args << QStringLiteral("--") << in << out;
    QString err;
    const int rc = testsupport::run(QStringLiteral("qpdf"), args, nullptr, &err);
    return rc == 0 || rc == 3;
}

QStringList outlineTitles(const QString& path)
{
    try {
        auto pdf = open(path);
        QPDFOutlineDocumentHelper helper(*pdf);
        QStringList lines;
        std::vector<std::pair<int, QPDFOutlineObjectHelper>> stack;
        auto top = helper.getTopLevelOutlines();
        for (auto it = top.rbegin(); it != top.rend(); ++it)
            stack.emplace_back(0, *it);
        while (!stack.empty()) {
            auto [depth, item] = stack.back();
            stack.pop_back();
            lines << QStringLiteral("%1:%2").arg(depth).arg(QString::fromStdString(item.getTitle()));
            auto kids = item.getKids();
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                stack.emplace_back(depth + 1, *it);
        }
        return lines;
    } catch (const std::exception&) {
        return {QStringLiteral("error")};
    }
}

QString outlineProblems(const QString& path)
{
    try {
        auto pdf = open(path);
        QPDFObjectHandle root = pdf->getRoot().getKey("/Outlines");
        if (!root.isDictionary())
            return QString();
        QStringList problems;
        std::set<QPDFObjGen> seen;
        // Returns the node's visible descendants (its /Count when open).
        std::function<int(QPDFObjectHandle, bool)> check = [&](QPDFObjectHandle node, bool isRoot) -> int {
            const QString name = isRoot ? QStringLiteral("root")
                                        : QString::fromStdString(node.getKey("/Title").getUTF8Value());
            std::vector<QPDFObjectHandle> kids;
            for (QPDFObjectHandle k = node.getKey("/First"); k.isDictionary(); k = k.getKey("/Next")) {
                if (!seen.insert(k.getObjGen()).second) {
                    problems << name + ": loop";
                    break;
                }
                kids.push_back(k);
            }
            int visible = 0;
            for (size_t i = 0; i < kids.size(); ++i) {
                const QString kid = QString::fromStdString(kids[i].getKey("/Title").getUTF8Value());
                if (kids[i].getKey("/Parent").getObjGen() != node.getObjGen())
                    problems << kid + ": wrong /Parent";
                QPDFObjectHandle prev = kids[i].getKey("/Prev");
                if (i == 0 ? !prev.isNull() : prev.getObjGen() != kids[i - 1].getObjGen())
                    problems << kid + ": wrong /Prev";
                QPDFObjectHandle count = kids[i].getKey("/Count");
                const int below = check(kids[i], false);
                visible += 1 + (count.isInteger() && count.getIntValue() > 0 ? below : 0);
            }
            if (kids.empty()) {
                if (!node.getKey("/Last").isNull())
                    problems << name + ": /Last without children";
                if (!isRoot && node.getKey("/Count").isInteger() && node.getKey("/Count").getIntValue() != 0)
                    problems << name + ": /Count without children";
            } else {
                if (node.getKey("/Last").getObjGen() != kids.back().getObjGen())
                    problems << name + ": wrong /Last";
                QPDFObjectHandle count = node.getKey("/Count");
                const long long c = count.isInteger() ? count.getIntValue() : 0;
                if ((isRoot ? c : std::llabs(c)) != visible)
                    problems << name + QStringLiteral(": /Count %1, %2 visible").arg(c).arg(visible);
            }
            return visible;
        };
        check(root, true);
        return problems.join("; ");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

QStringList outlineDestinations(const QString& path)
{
    QStringList out;
    try {
        auto pdf = open(path);
        std::map<QPDFObjGen, int> numbers;
        int n = 0;
        for (const QPDFObjectHandle& p : pdf->getAllPages())
            numbers[p.getObjGen()] = ++n;
        QPDFOutlineDocumentHelper helper(*pdf);
        std::vector<QPDFOutlineObjectHelper> stack;
        auto top = helper.getTopLevelOutlines();
        stack.assign(top.rbegin(), top.rend());
        while (!stack.empty()) {
            QPDFOutlineObjectHelper item = stack.back();
            stack.pop_back();
            QPDFObjectHandle dest = item.getDest();
            QString where = QStringLiteral("?");
            if (dest.isArray() && dest.getArrayNItems() >= 4 && numbers.count(dest.getArrayItem(0).getObjGen()))
                where = QStringLiteral("%1:%2").arg(numbers[dest.getArrayItem(0).getObjGen()])
                            .arg(dest.getArrayItem(3).getNumericValue());
            out << QString::fromStdString(item.getTitle()) + "@" + where;
            auto kids = item.getKids();
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                stack.push_back(*it);
        }
    } catch (const std::exception&) {
        out << QStringLiteral("error");
    }
    return out;
}

QStringList linkTargets(const QString& path)
{
    QStringList out;
    try {
        auto pdf = open(path);
        std::vector<QPDFObjectHandle> pages = pdf->getAllPages();
        std::map<QPDFObjGen, int> numbers;
        for (size_t i = 0; i < pages.size(); ++i)
            numbers[pages[i].getObjGen()] = static_cast<int>(i) + 1;
        for (size_t i = 0; i < pages.size(); ++i) {
            QPDFObjectHandle annots = pages[i].getKey("/Annots");
            if (!annots.isArray())
                continue;
            for (QPDFObjectHandle annot : annots.aitems()) {
                if (!annot.getKey("/Subtype").isNameAndEquals("/Link"))
                    continue;
                QPDFObjectHandle dest = annot.getKey("/Dest");
                if (dest.isNull() && annot.getKey("/A").isDictionary())
                    dest = annot.getKey("/A").getKey("/D");
                if (dest.isName() && pdf->getRoot().getKey("/Dests").isDictionary())
                    dest = pdf->getRoot().getKey("/Dests").getKey(dest.getName());
                if (dest.isDictionary())
                    dest = dest.getKey("/D");
                QString to = QStringLiteral("?");
                if (dest.isArray() && dest.getArrayNItems() > 0) {
                    auto it = numbers.find(dest.getArrayItem(0).getObjGen());
                    if (dest.getArrayItem(0).isIndirect() && it != numbers.end())
                        to = QString::number(it->second);
                }
                out << QStringLiteral("%1->%2").arg(i + 1).arg(to);
            }
        }
    } catch (const std::exception&) {
        out << QStringLiteral("error");
    }
    return out;
}

QStringList formFields(const QString& path)
{
    QStringList out;
    try {
        auto pdf = open(path);
        QPDFAcroFormDocumentHelper forms(*pdf);
        for (auto& field : forms.getFormFields())
            out << QStringLiteral("%1=%2").arg(QString::fromStdString(field.getFullyQualifiedName()),
                                               QString::fromStdString(field.getValueAsString()));
    } catch (const std::exception&) {
        out << QStringLiteral("error");
    }
    out.sort();
    return out;
}

bool hasUncompressedStreams(const QString& path)
{
    auto pdf = open(path);
    for (QPDFObjectHandle obj : pdf->getAllObjects()) {
        if (!obj.isStream())
            continue;
        QPDFObjectHandle dict = obj.getDict();
        if (dict.getKey("/Type").isNameAndEquals("/Metadata") || dict.getKey("/Type").isNameAndEquals("/XRef"))
            continue;
        if (dict.getKey("/Filter").isNull() && dict.getKey("/Length").isInteger() && dict.getKey("/Length").getIntValue() > 0)
            return true;
    }
    return false;
}

} // namespace fixtures
