#pragma once

// One-line entries that take a number: what the user may type, how the
// program reads it back and writes it in. The user's locale decides the
// decimal mark ("36,5" where a comma is the custom); group separators are
// refused, so that "1.000" never reads as one thousand in one place and as
// one in another.

class QLineEdit;

namespace numberentry {

// Lets the entry take only numbers from bottom to top with at most that many decimals.
void accept(QLineEdit* entry, double bottom, double top, int decimals);
// The entry's number as its validator reads it; ok is false when the entry
// holds no whole number of its range (empty, "", "1," half typed, out of range).
double value(const QLineEdit* entry, bool* ok = nullptr);
// Writes a number as the entry reads it (6 significant digits).
void setValue(QLineEdit* entry, double value);

} // namespace numberentry
