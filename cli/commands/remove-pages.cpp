// remove-pages: the PDF page remover.

#include "command.h"
#include "pdf_pageremover.h"

#include <QListWidget>
#include <QRegularExpression>

namespace {

// --pages 2,5-7: each page (numbered as in the input) removed as "Remove
// Selected Page" removes it, the highest first.
QString removeListed(cli::OptionContext& context, const QString& value)
{
    auto* list = context.page.findChild<QListWidget*>(QStringLiteral("listWidget"));
    if (!list)
        return QStringLiteral("the tool page has no page list");
    const int count = list->count();
    static const QRegularExpression item(QStringLiteral("^(\\d+)(-(\\d+))?$"));
    QList<int> pages;
    for (const QString& part : value.split(QLatin1Char(','))) {
        const QRegularExpressionMatch m = item.match(part.trimmed());
        if (!m.hasMatch())
            return QStringLiteral("must be page numbers and ranges such as 2,5-7");
        const int first = m.captured(1).toInt();
        const int last = m.captured(3).isEmpty() ? first : m.captured(3).toInt();
        if (first < 1 || last < first)
            return QStringLiteral("%1: pages are counted from 1, the first of a range no larger than its last").arg(part);
        // Nothing is loaded when the file does not open: the run says why.
        if (count > 0 && last > count)
            return QStringLiteral("there is no page %1: the file has %2")
                .arg(last)
                .arg(count == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(count));
        for (int p = first; p <= last; ++p)
            if (!pages.contains(p))
                pages << p;
    }
    if (count > 0 && pages.size() >= count)
        return QStringLiteral("would remove every page: a document keeps at least one page");
    static_cast<PDF_PageRemover&>(context.page).RemoveSelectedPages(pages);
    return QString();
}

const cli::Registration removePages([] {
    cli::Command c;
    c.name = QStringLiteral("remove-pages");
    c.tool = Tool::PageRemover;
    c.summary = QStringLiteral("Remove pages from a PDF and write what is left");
    c.details = QStringLiteral(
        "Pages are numbered as in the input. A removal that would leave no page is\n"
        "refused: nothing is written. The output may be the input: it is replaced once,\n"
        "complete.");
    c.output = cli::Output::File;
    c.outputMayBeAnInput = true;
    cli::Option remove = cli::Option::dialogChoice(
        QStringLiteral("remove"),
        QStringLiteral("Advanced Remove Option: all odd pages, all even pages, the first page, the last page, "
                       "or the first and the last"),
        {QStringLiteral("odd"), QStringLiteral("even"), QStringLiteral("first"), QStringLiteral("last"),
         QStringLiteral("first-last")},
        QStringLiteral("pushButton"));
    remove.afterSelect = true;
    cli::Option pages;
    pages.name = QStringLiteral("pages");
    pages.valueName = QStringLiteral("LIST");
    pages.description = QStringLiteral("Remove Selected Page for each of these pages, such as 2,5-7");
    pages.apply = removeListed;
    pages.afterSelect = true;
    c.options = {remove, pages};
    c.exclusive = {{QStringLiteral("remove"), QStringLiteral("pages")}};
    c.examples = QStringList{QStringLiteral("folioforge-cli remove-pages -o trimmed.pdf --pages 1,10-12 scan.pdf"),
                             QStringLiteral("folioforge-cli remove-pages -o fronts.pdf --remove even duplex-scan.pdf")};
    return c;
}());

} // namespace
