#pragma once

#include <QStringList>

namespace cli {

// Exit statuses.
enum Status {
    Success = 0, // every input processed, every output written
    Failed = 1,  // some input or output failed; the others were still done
    Usage = 2,   // the command line was wrong; nothing was done
};

// Runs one command line (the arguments after the program name) and returns
// its exit status. Needs a QApplication; the run's questions are answered
// from the options, never by a window.
int run(const QStringList& arguments);

} // namespace cli
