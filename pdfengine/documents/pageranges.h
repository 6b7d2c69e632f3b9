#pragma once

// Page range lists as the tools write them: "3-3", "1-5", "2,4,6" and mixes
// such as "1-3,7,9-10".

#include <QString>

#include <vector>

namespace fpe {

// The 0-based indices of the pages the list names, in list order. "5-3"
// counts down, "4-" runs to the last page and "-3" starts at the first.
// Pages outside 1..pageCount and unreadable parts are passed over.
std::vector<int> parsePageRanges(const QString& ranges, int pageCount);

} // namespace fpe
