// split: the PDF splitter.

#include "command.h"
#include "featurebase.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRegularExpression>

#include <limits>

namespace {

// --pages A-B, A, A-z or A-: "From Page" A "To" B. The last page is any
// number past it: the splitter stops at the document's end.
QString setRange(cli::OptionContext& context, const QString& value)
{
    static const QRegularExpression syntax(QStringLiteral("^(\\d+)(-(\\d+|z)?)?$"));
    const QRegularExpressionMatch m = syntax.match(value);
    if (!m.hasMatch())
        return QStringLiteral("must be A-B, A, A-z or A- (pages from 1)");
    const int first = m.captured(1).toInt();
    int last = first;
    if (!m.captured(2).isEmpty())
        last = m.captured(3).isEmpty() || m.captured(3) == QLatin1String("z") ? std::numeric_limits<int>::max()
                                                                              : m.captured(3).toInt();
    if (first < 1 || last < 1)
        return QStringLiteral("pages are counted from 1");
    if (last < first)
        return QStringLiteral("the first page comes after the last");
    auto* fromPage = context.page.findChild<QAbstractButton*>(QStringLiteral("radioButton_2"));
    auto* from = context.page.findChild<QLineEdit*>(QStringLiteral("lineEdit_2"));
    auto* to = context.page.findChild<QLineEdit*>(QStringLiteral("lineEdit_3"));
    if (!fromPage || !from || !to)
        return QStringLiteral("the tool page has no page range");
    fromPage->click();
    from->setText(QString::number(first));
    to->setText(QString::number(last));
    return QString();
}

const cli::Registration split([] {
    cli::Command c;
    c.name = QStringLiteral("split");
    c.tool = Tool::Splitter;
    c.summary = QStringLiteral("Cut a PDF into a file per page, per N pages, or odd and even");
    c.details = QStringLiteral(
        "The files go into the folder under the input's name with a suffix: NAME Page 3.pdf\n"
        "page by page, NAME Page 1-5.pdf with --every 5, NAME Even.pdf and NAME Odd.pdf with\n"
        "--odd-even (a set without pages makes no file).");
    c.output = cli::Output::Folder;
    cli::Option pages;
    pages.name = QStringLiteral("pages");
    pages.valueName = QStringLiteral("A-B");
    pages.description = QStringLiteral("From Page A To B: only these pages (also A alone, and A-z or A- to the last page)");
    pages.apply = setRange;
    cli::Option every = cli::Option::tickAndType(
        QStringLiteral("every"), QStringLiteral("N"),
        QStringLiteral("Split By Every N Page: one file per N pages; the last one ends with the pages"),
        QStringLiteral("radioButton_Every"), QStringLiteral("lineEdit"));
    cli::Option oddEven = cli::Option::toggle(
        QStringLiteral("odd-even"), QStringLiteral("Odd/Even Pages: one file of the even pages and one of the odd"),
        QStringLiteral("radioButton_OddEven"));
    c.options = {pages, every, oddEven};
    c.exclusive = {{QStringLiteral("every"), QStringLiteral("odd-even")}};
    c.examples = QStringList{QStringLiteral("folioforge-cli split -o pages/ manual.pdf"),
                             QStringLiteral("folioforge-cli split -o chapters/ --pages 5-z --every 10 manual.pdf"),
                             QStringLiteral("folioforge-cli split -o sides/ --odd-even scan.pdf")};
    return c;
}());

} // namespace
