#pragma once

#include <QString>

namespace cli {

struct Option;
struct OptionContext;

// Sets the page's form from one tool option, as the user would: checks or
// clicks a button, ticks a box and types a value, picks a combo box item,
// moves a slider. Returns what is wrong with the value, or empty.
QString setOption(const Option& option, OptionContext& context, const QString& value);

// What is wrong with the option as a description of the page's form (a
// control that is missing or of a kind the option cannot set); empty when
// nothing is. Checked for every command by the tests.
QString checkOption(const Option& option, OptionContext& context);

} // namespace cli
