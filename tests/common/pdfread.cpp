#include "pdfread.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

#include <QFile>

#include <functional>
#include <map>
#include <set>

namespace testsupport {

std::shared_ptr<QPDF> openPdf(const QString& path, const QString& password)
{
    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    pdf->processFile(QFile::encodeName(path).constData(), password.toUtf8().constData());
    return pdf;
}

// Page numbers (1-based) by page object.
static std::map<QPDFObjGen, int> pageNumbers(QPDF& pdf)
{
    std::map<QPDFObjGen, int> numbers;
    for (QPDFObjectHandle p : pdf.getAllPages())
        numbers.emplace(p.getObjGen(), int(numbers.size()) + 1);
    return numbers;
}

// "?" unless the destination (array, name or dictionary) leads to a page.
static QString pageOf(QPDF& pdf, QPDFObjectHandle dest, const std::map<QPDFObjGen, int>& numbers)
{
    if (dest.isName() && pdf.getRoot().getKey("/Dests").isDictionary())
        dest = pdf.getRoot().getKey("/Dests").getKey(dest.getName());
    if (dest.isDictionary())
        dest = dest.getKey("/D");
    const auto it = dest.isArray() && dest.getArrayNItems() > 0 ? numbers.find(dest.getArrayItem(0).getObjGen()) : numbers.end();
    return it == numbers.end() || !dest.getArrayItem(0).isIndirect() ? QString("?") : QString::number(it->second);
}

QStringList outlines(const QString& path, int fields)
{
    QStringList lines;
    try {
        auto pdf = openPdf(path);
        const auto numbers = pageNumbers(*pdf);
        QPDFOutlineDocumentHelper helper(*pdf);
        std::function<void(std::vector<QPDFOutlineObjectHelper>, int)> walk = [&](auto items, int depth) {
            for (QPDFOutlineObjectHelper& item : items) {
                QString line = (fields & WithDepth ? QString("%1:").arg(depth) : QString()) + QString::fromStdString(item.getTitle());
                QPDFObjectHandle dest = item.getDest();
                if (fields & WithPage)
                    line += "@" + pageOf(*pdf, dest, numbers);
                if (fields & WithTop)
                    line += ":" + (dest.isArray() && dest.getArrayNItems() >= 4 ? QString::number(dest.getArrayItem(3).getNumericValue()) : "?");
                lines << line;
                walk(item.getKids(), depth + 1);
            }
        };
        walk(helper.getTopLevelOutlines(), 0);
    } catch (const std::exception&) {
        lines = QStringList{"error"};
    }
    return lines;
}

QString outlineProblems(const QString& path)
{
    try {
        auto pdf = openPdf(path);
        QPDFObjectHandle root = pdf->getRoot().getKey("/Outlines");
        QStringList problems;
        std::set<QPDFObjGen> seen;
        // Returns the node's visible descendants (its /Count when open).
        std::function<int(QPDFObjectHandle, bool)> check = [&](QPDFObjectHandle node, bool isRoot) -> int {
            const QString name = isRoot ? "root" : QString::fromStdString(node.getKey("/Title").getUTF8Value());
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
            QPDFObjectHandle count = node.getKey("/Count");
            const long long c = count.isInteger() ? count.getIntValue() : 0;
            if (kids.empty() && (!node.getKey("/Last").isNull() || (!isRoot && c != 0)))
                problems << name + ": /Last or /Count without children";
            if (!kids.empty() && node.getKey("/Last").getObjGen() != kids.back().getObjGen())
                problems << name + ": wrong /Last";
            if (!kids.empty() && (isRoot ? c : std::llabs(c)) != visible)
                problems << name + QString(": /Count %1, %2 visible").arg(c).arg(visible);
            return visible;
        };
        if (root.isDictionary())
            check(root, true);
        return problems.join("; ");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

QStringList linkTargets(const QString& path)
{
    QStringList out;
    try {
        auto pdf = openPdf(path);
        const auto numbers = pageNumbers(*pdf);
        int from = 0;
        for (QPDFObjectHandle page : pdf->getAllPages()) {
            ++from;
            if (!page.getKey("/Annots").isArray())
                continue;
            for (QPDFObjectHandle annot : page.getKey("/Annots").aitems()) {
                if (!annot.getKey("/Subtype").isNameAndEquals("/Link"))
                    continue;
                QPDFObjectHandle dest = annot.getKey("/Dest");
                if (dest.isNull() && annot.getKey("/A").isDictionary())
                    dest = annot.getKey("/A").getKey("/D");
                out << QString("%1->%2").arg(from).arg(pageOf(*pdf, dest, numbers));
            }
        }
    } catch (const std::exception&) {
        out << "error";
    }
    return out;
}

QStringList formFields(const QString& path)
{
    QStringList out;
    try {
        auto pdf = openPdf(path);
        for (auto& field : QPDFAcroFormDocumentHelper(*pdf).getFormFields())
            out << QString::fromStdString(field.getFullyQualifiedName() + "=" + field.getValueAsString());
    } catch (const std::exception&) {
        out << "error";
    }
    out.sort();
    return out;
}

std::vector<QPDFObjectHandle> streamsOf(QPDF& pdf, const std::string& subtype)
{
    std::vector<QPDFObjectHandle> found;
    for (QPDFObjectHandle& obj : pdf.getAllObjects())
        if (obj.isStream() && obj.getDict().getKey("/Subtype").isNameAndEquals(subtype))
            found.push_back(obj);
    return found;
}

QByteArray streamData(QPDFObjectHandle stream, bool decoded)
{
    auto data = decoded ? stream.getStreamData(qpdf_dl_all) : stream.getRawStreamData();
    return QByteArray(reinterpret_cast<const char*>(data->getBuffer()), int(data->getSize()));
}

bool hasUncompressedStreams(const QString& path)
{
    auto pdf = openPdf(path);
    for (QPDFObjectHandle obj : pdf->getAllObjects()) {
        if (!obj.isStream())
            continue;
        QPDFObjectHandle dict = obj.getDict();
        if (!dict.getKey("/Type").isNameAndEquals("/Metadata") && !dict.getKey("/Type").isNameAndEquals("/XRef")
            && dict.getKey("/Filter").isNull() && dict.getKey("/Length").isInteger() && dict.getKey("/Length").getIntValue() > 0)
            return true;
    }
    return false;
}

} // namespace testsupport
