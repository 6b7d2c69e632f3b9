#include "documents/pageranges.h"

#include <QStringList>

#include <algorithm>

namespace fpe {

std::vector<int> parsePageRanges(const QString& ranges, int pageCount)
{
    std::vector<int> pages;
    if (pageCount < 1)
        return pages;
    auto number = [](const QString& text, int fallback, bool* ok) {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            *ok = true;
            return fallback;
        }
        // Numbers beyond int clamp, so that "1-99999999999" still means "to the end".
        const qlonglong v = t.toLongLong(ok);
        return static_cast<int>(std::clamp<qlonglong>(v, -1, 1LL << 30));
    };
    for (const QString& part : ranges.split(QLatin1Char(','))) {
        if (part.trimmed().isEmpty())
            continue;
        const int dash = part.indexOf(QLatin1Char('-'));
        bool okFirst = false, okLast = false;
        int first, last;
        if (dash < 0) {
            first = last = number(part, 0, &okFirst);
            okLast = okFirst && !part.trimmed().isEmpty();
        } else {
            first = number(part.left(dash), 1, &okFirst);
            last = number(part.mid(dash + 1), pageCount, &okLast);
        }
        if (!okFirst || !okLast)
            continue;
        // Only the part of the range inside the document is walked, however
        // large the numbers are.
        const int step = first <= last ? 1 : -1;
        const int from = std::clamp(first, 1, pageCount);
        const int to = std::clamp(last, 1, pageCount);
        for (int p = from;; p += step) {
            if (p >= 1 && p <= pageCount && (step > 0 ? p >= first && p <= last : p <= first && p >= last))
                pages.push_back(p - 1);
            if (p == to)
                break;
        }
    }
    return pages;
}

} // namespace fpe
