#pragma once

#include <QStringList>

namespace cli {

// Runs one command line (the arguments after the program name) and returns
// its exit status (help.h). Needs a QApplication; the run's questions are
// answered from the options, never by a window.
int run(const QStringList& arguments);

} // namespace cli
