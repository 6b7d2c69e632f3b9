// Every tool through folioforge-cli beside its peer: the rows of bench/tools/.
//   bench_tools --runs N --dir SCRATCH [TOOL...]

#include "toolbench.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <map>

namespace bench {

namespace {

std::map<QString, std::function<void(const ToolBench&)>>& registry()
{
    static std::map<QString, std::function<void(const ToolBench&)>> rows;
    return rows;
}

} // namespace

ToolRows::ToolRows(const char* tool, std::function<void(const ToolBench&)> rows)
{
    registry()[QString::fromLatin1(tool)] = std::move(rows);
}

bool ToolBench::cliRun(const QStringList& arguments, long* peakKilobytes) const
{
    return runPeer(cli, arguments, peakKilobytes) >= 0;
}

QString ToolBench::freshFolder(const QString& name) const
{
    QDir folder(QDir(work).filePath(name));
    folder.removeRecursively();
    folder.mkpath(QStringLiteral("."));
    return folder.path();
}

} // namespace bench

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    bench::ToolBench context;
    context.cli = QDir(QStringLiteral(FOLIO_BIN_DIR)).filePath(QStringLiteral("folioforge-cli"));
    QStringList only;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            context.runs = args[++i].toInt();
        else if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            context.work = args[++i];
        else
            only << args[i];
    }
    if (context.work.isEmpty())
        context.work = QDir::temp().filePath(QStringLiteral("folio-bench-tools"));
    QDir().mkpath(context.work);
    for (const auto& [tool, rows] : bench::registry()) {
        if (!only.isEmpty() && !only.contains(tool))
            continue;
        std::printf("-- %s\n", qPrintable(tool));
        std::fflush(stdout);
        rows(context);
    }
    return 0;
}
