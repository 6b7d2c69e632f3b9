#include "pageranges.h"

#include <QStringList>

namespace fpe {

std::vector<int> parsePageRanges(const QString& ranges, int pageCount)
{
    std::vector<int> pages;
    const QStringList parts = ranges.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& rawPart : parts) {
        const QString part = rawPart.trimmed();
        const int dash = part.indexOf(QLatin1Char('-'));
        bool okFirst = false, okLast = false;
        qlonglong first, last;
        if (dash < 0) {
            first = last = part.toLongLong(&okFirst);
            okLast = okFirst;
        } else {
            first = part.left(dash).trimmed().toLongLong(&okFirst);
            last = part.mid(dash + 1).trimmed().toLongLong(&okLast);
        }
        if (!okFirst || !okLast)
            continue;
        const qlonglong step = first <= last ? 1 : -1;
        // Clamp to the document so that "1-999999999" costs nothing extra.
        const qlonglong lo = qMax<qlonglong>(qMin(first, last), 1);
        const qlonglong hi = qMin<qlonglong>(qMax(first, last), pageCount);
        if (lo > hi)
            continue;
        for (qlonglong p = step > 0 ? lo : hi; p >= lo && p <= hi; p += step)
            pages.push_back(static_cast<int>(p));
    }
    return pages;
}

} // namespace fpe
