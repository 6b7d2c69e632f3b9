// Text of pages, as pdftotext gives it: option 0 in content-stream order
// (pdftotext -raw), option 7 with the layout kept by spaces (pdftotext
// -layout); any other option is taken as 0. Like the rendering, the text is
// that of the page as displayed: text outside its CropBox is not read.

#include "core/instance.h"
#include "render/render.h"

#include <poppler-document.h>
#include <poppler-page.h>

namespace fpe {

QString Instance::GetPageText(int ExtractOptions)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return QString();
    poppler::document* pd = popplerDocument(doc);
    if (!pd)
        return QString();
    std::unique_ptr<poppler::page> page(pd->create_page(doc.selectedPage - 1));
    if (!page)
        return QString();
    const poppler::ustring text = page->text(
        poppler::rectf(), ExtractOptions == 7 ? poppler::page::physical_layout : poppler::page::raw_order_layout);
    QString result = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), static_cast<int>(text.size()));
    // Poppler ends a page with a form feed; page texts are joined by callers,
    // so each one ends with its last line's line break instead.
    while (result.endsWith(QLatin1Char('\f')))
        result.chop(1);
    if (!result.isEmpty() && !result.endsWith(QLatin1Char('\n')))
        result.append(QLatin1Char('\n'));
    return result;
}

} // namespace fpe
