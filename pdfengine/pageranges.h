#pragma once

// Page range lists such as "3-3", "1-5", "2,4,6" or "1-3,7,9-10": the pages
// they name, in the order named. Pages outside 1..pageCount and malformed
// parts are passed over; a range written high to low runs backwards.

#include <QString>

#include <vector>

namespace fpe {

std::vector<int> parsePageRanges(const QString& ranges, int pageCount);

} // namespace fpe
