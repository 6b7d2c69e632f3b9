#pragma once

// Rows of bench_tools: each tool run through folioforge-cli, whole process,
// beside the peer a user would otherwise reach for, on the same files in the
// same run. Each file of bench/tools/ registers the rows of one tool.

#include "benchsupport.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace bench {

struct ToolBench
{
    int runs = 5;
    QString work;  // a scratch folder of this run
    QString cli;   // build/bin/folioforge-cli

    // The CLI with these arguments, as a timed run; false when it failed.
    bool cliRun(const QStringList& arguments, long* peakKilobytes = nullptr) const;
    // A folder of the scratch folder, emptied.
    QString freshFolder(const QString& name) const;
};

struct ToolRows
{
    ToolRows(const char* tool, std::function<void(const ToolBench&)> rows);
};

} // namespace bench
