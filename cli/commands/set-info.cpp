// set-info: the PDF information changer, and --show, which reads instead.

#include "command.h"
#include "pdf_batch_information_changer.h"

#include <QRegularExpression>
#include <QTextStream>

namespace {

cli::Option field(const QString& name, const QString& valueName)
{
    return cli::Option::tickAndType(
        name.toLower(), valueName,
        QStringLiteral("%1: the new %2, exactly as given (an empty text empties it)").arg(name, name.toLower()),
        QStringLiteral("checkBox_") + name, QStringLiteral("lineEdit_") + name);
}

// D:20240131120500+01'00' as 2024-01-31T12:05:00+01:00; as much as the file
// gives, and text that is no PDF date as it stands.
QString isoDate(const QString& pdfDate)
{
    static const QRegularExpression date(QStringLiteral(
        "^(?:D:)?(\\d{4})(\\d{2})?(\\d{2})?(\\d{2})?(\\d{2})?(\\d{2})?(?:(Z)|([+-])(\\d{2})(?:'?(\\d{2}))?)?'?$"));
    const QRegularExpressionMatch m = date.match(pdfDate.trimmed());
    if (!m.hasMatch())
        return pdfDate;
    QString iso = m.captured(1);
    const char* separators[] = {"-", "-", "T", ":", ":"};
    for (int i = 2; i <= 6 && m.capturedLength(i) > 0; ++i)
        iso += QLatin1String(separators[i - 2]) + m.captured(i);
    if (m.capturedLength(4) > 0 && m.capturedLength(5) == 0)
        iso += QStringLiteral(":00");  // an hour alone is no ISO time
    if (m.capturedLength(7) > 0)
        iso += QLatin1Char('Z');
    else if (m.capturedLength(8) > 0)
        iso += m.captured(8) + m.captured(9) + QLatin1Char(':') + (m.capturedLength(10) ? m.captured(10) : QStringLiteral("00"));
    return iso;
}

const cli::Registration setInfo([] {
    cli::Command c;
    c.name = QStringLiteral("set-info");
    c.tool = Tool::InfoChanger;
    c.summary = QStringLiteral("Change the title, author and other information of PDFs");
    c.details = QStringLiteral(
        "Each field given replaces that field of every input, in the information\n"
        "dictionary and in the XMP metadata when the file has some; the fields not given\n"
        "keep the input's values. Nothing else of the file changes, and protected inputs\n"
        "stay protected with the same password.\n"
        "With --show nothing is written: each input's fields are printed instead, a\n"
        "\"File:\" line and then one \"Key: value\" line per field (Title, Author, Subject,\n"
        "Keywords, Creator, Producer, CreationDate and ModDate in ISO 8601), a blank line\n"
        "between files; line breaks inside a value are printed as blanks.");
    c.output = cli::Output::Folder;
    cli::Option show;
    show.name = QStringLiteral("show");
    show.description = QStringLiteral("print each input's information instead of writing (no -o)");
    show.outputFor = {{QString(), cli::Output::None}};
    // Applied after the fields, so that it can tell whether any was given.
    show.afterSelect = true;
    show.apply = [](cli::OptionContext& context, const QString&) {
        auto& page = static_cast<PDF_Batch_Information_Changer&>(context.page);
        if (page.anyFieldTicked())
            return QStringLiteral("reads only: no field to change with it");
        page.setReadOnly(true);
        return QString();
    };
    c.options = {field(QStringLiteral("Title"), QStringLiteral("T")),       field(QStringLiteral("Author"), QStringLiteral("A")),
                 field(QStringLiteral("Subject"), QStringLiteral("S")),     field(QStringLiteral("Keywords"), QStringLiteral("K")),
                 field(QStringLiteral("Creator"), QStringLiteral("C")),     field(QStringLiteral("Producer"), QStringLiteral("P")),
                 show};
    c.print = [](FeatureBase& page, const QMap<QString, QString>&, QTextStream& out) {
        bool first = true;
        for (const auto& info : static_cast<PDF_Batch_Information_Changer&>(page).informationRead()) {
            if (!first)
                out << '\n';
            first = false;
            out << "File: " << info.input << '\n';
            for (const auto& [key, value] : info.fields) {
                QString shown = key.endsWith(QLatin1String("Date")) ? isoDate(value) : value;
                shown.replace(QRegularExpression(QStringLiteral("[\\r\\n]+")), QStringLiteral(" "));
                out << key << ": " << shown << '\n';
            }
        }
    };
    c.examples = QStringList{
        QStringLiteral("folioforge-cli set-info --title 'Annual report' --author 'J. Doe' -o out report.pdf"),
        QStringLiteral("folioforge-cli set-info --show report.pdf")};
    return c;
}());

} // namespace
