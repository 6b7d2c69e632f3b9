#include "documents/xmp.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

namespace fpe {

namespace {

const QString rdfNs = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString dcNs = QStringLiteral("http://purl.org/dc/elements/1.1/");
const QString pdfNs = QStringLiteral("http://ns.adobe.com/pdf/1.3/");
const QString xmpNs = QStringLiteral("http://ns.adobe.com/xap/1.0/");

enum class Form { Text, Seq, Alt, Bag };

struct Property {
    QString ns;
    QString prefix;  // used when the property has to be added
    QString name;
    Form form;
    bool addWhenMissing;
};

std::vector<Property> propertiesFor(folio::InfoKey key)
{
    switch (key) {
    case folio::InfoAuthor: return {{dcNs, "dc", "creator", Form::Seq, true}};
    case folio::InfoTitle: return {{dcNs, "dc", "title", Form::Alt, true}};
    case folio::InfoSubject: return {{dcNs, "dc", "description", Form::Alt, true}};
    case folio::InfoKeywords:
        return {{pdfNs, "pdf", "Keywords", Form::Text, true}, {dcNs, "dc", "subject", Form::Bag, false}};
    case folio::InfoCreator: return {{xmpNs, "xmp", "CreatorTool", Form::Text, true}};
    case folio::InfoProducer: return {{pdfNs, "pdf", "Producer", Form::Text, true}};
    case folio::InfoCreationDate:
    case folio::InfoModDate: break;  // read only
    }
    return {};
}

// XML has no way to carry most control characters: they are left out.
QString xmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if ((c.unicode() >= 0x20 || c == '\t' || c == '\n' || c == '\r') && !c.isSurrogate() &&
                   c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) {
            out += c;
        }
    }
    return out;
}

// The property's value in its XMP form, written inside the property element.
void writeValue(QXmlStreamWriter& w, const QString& rdf, Form form, const QString& rawValue)
{
    const QString value = xmlText(rawValue);
    // An empty prefix: RDF is the default namespace where this is written.
    auto start = [&](const char* name) {
        w.writeStartElement(rdf.isEmpty() ? QString::fromLatin1(name) : rdf + QLatin1Char(':') + QLatin1String(name));
    };
    auto item = [&](const QString& text, bool xDefault) {
        start("li");
        if (xDefault)
            w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
        w.writeCharacters(text);
        w.writeEndElement();
    };
    switch (form) {
    case Form::Text:
        w.writeCharacters(value);
        break;
    case Form::Alt:
        start("Alt");
        item(value, true);
        w.writeEndElement();
        break;
    case Form::Seq:  // authors: the whole text is one author; none when empty
        start("Seq");
        if (!value.isEmpty())
            item(value, false);
        w.writeEndElement();
        break;
    case Form::Bag:  // keywords, one item each
        start("Bag");
        for (const QString& k : value.split(QRegularExpression(QStringLiteral("[,;]"))))
            if (!k.trimmed().isEmpty())
                item(k.trimmed(), false);
        w.writeEndElement();
        break;
    }
}

// The element the reader stands on, its namespace declarations and
// attributes written as they were.
void copyStartElement(QXmlStreamReader& r, QXmlStreamWriter& w)
{
    w.writeStartElement(r.qualifiedName().toString());
    for (const QXmlStreamNamespaceDeclaration& d : r.namespaceDeclarations())
        w.writeAttribute(d.prefix().isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + d.prefix(),
                         d.namespaceUri().toString());
}

} // namespace

bool updateXmpInformation(const std::string& packet, folio::InfoKey key, const QString& value, std::string& result)
{
    const std::vector<Property> props = propertiesFor(key);
    std::vector<bool> found(props.size(), false);
    auto matching = [&props](QStringView ns, QStringView name) -> int {
        for (size_t i = 0; i < props.size(); ++i)
            if (ns == props[i].ns && name == props[i].name)
                return static_cast<int>(i);
        return -1;
    };

    QXmlStreamReader r(QByteArray::fromStdString(packet));
    QByteArray out;
    QXmlStreamWriter w(&out);
    QString rdf = QStringLiteral("rdf");
    QString about;
    bool sawRdf = false;
    std::vector<bool> inDescription;  // per open element: is it an rdf:Description?

    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                w.writeStartDocument(r.documentVersion().toString());
            break;
        case QXmlStreamReader::StartElement: {
            const int p = !inDescription.empty() && inDescription.back() ? matching(r.namespaceUri(), r.name()) : -1;
            if (p >= 0) {
                // The property element: its value replaced whatever form it had.
                copyStartElement(r, w);
                for (const QXmlStreamAttribute& a : r.attributes())
                    if (a.namespaceUri() != rdfNs)  // rdf:parseType, rdf:resource describe the old value
                        w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
                writeValue(w, rdf, props[static_cast<size_t>(p)].form, value);
                w.writeEndElement();
                r.skipCurrentElement();
                found[static_cast<size_t>(p)] = true;
                break;
            }
            const bool description = r.namespaceUri() == rdfNs && r.name() == QLatin1String("Description");
            if (r.namespaceUri() == rdfNs && r.name() == QLatin1String("RDF")) {
                sawRdf = true;
                rdf = r.prefix().toString();
            }
            copyStartElement(r, w);
            for (const QXmlStreamAttribute& a : r.attributes()) {
                QString v = a.value().toString();
                const int ap = description ? matching(a.namespaceUri(), a.name()) : -1;
                if (ap >= 0 && props[static_cast<size_t>(ap)].form == Form::Text) {
                    v = xmlText(value);
                    found[static_cast<size_t>(ap)] = true;
                }
                if (description && a.namespaceUri() == rdfNs && a.name() == QLatin1String("about"))
                    about = a.value().toString();
                w.writeAttribute(a.qualifiedName().toString(), v);
            }
            inDescription.push_back(description);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (r.namespaceUri() == rdfNs && r.name() == QLatin1String("RDF")) {
                // Properties not there yet go into a description of their own.
                bool any = false;
                for (size_t i = 0; i < props.size(); ++i)
                    any = any || (!found[i] && props[i].addWhenMissing);
                if (any) {
                    // With RDF as the default namespace, this description
                    // names it with a prefix of its own: unprefixed
                    // attributes belong to no namespace.
                    const QString own = rdf.isEmpty() ? QStringLiteral("rdf") : rdf;
                    w.writeStartElement(own + QStringLiteral(":Description"));
                    if (rdf.isEmpty())
                        w.writeAttribute(QStringLiteral("xmlns:rdf"), rdfNs);
                    w.writeAttribute(own + QStringLiteral(":about"), about);
                    QStringList declared;
                    for (size_t i = 0; i < props.size(); ++i) {
                        if (found[i] || !props[i].addWhenMissing || declared.contains(props[i].prefix))
                            continue;
                        w.writeAttribute(QStringLiteral("xmlns:") + props[i].prefix, props[i].ns);
                        declared << props[i].prefix;
                    }
                    for (size_t i = 0; i < props.size(); ++i) {
                        if (found[i] || !props[i].addWhenMissing)
                            continue;
                        w.writeStartElement(props[i].prefix + QLatin1Char(':') + props[i].name);
                        writeValue(w, own, props[i].form, value);
                        w.writeEndElement();
                    }
                    w.writeEndElement();
                }
            }
            w.writeEndElement();
            if (!inDescription.empty())
                inDescription.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (r.isCDATA())
                w.writeCDATA(r.text().toString());
            else
                w.writeCharacters(r.text().toString());
            break;
        case QXmlStreamReader::Comment:
            w.writeComment(r.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            w.writeProcessingInstruction(r.processingInstructionTarget().toString(),
                                         r.processingInstructionData().toString());
            break;
        case QXmlStreamReader::DTD:
            w.writeDTD(r.text().toString());
            break;
        case QXmlStreamReader::EntityReference:
            w.writeEntityReference(r.name().toString());
            break;
        default:
            break;
        }
    }
    if (r.hasError() || !sawRdf)
        return false;
    result = out.toStdString();
    return true;
}

} // namespace fpe
