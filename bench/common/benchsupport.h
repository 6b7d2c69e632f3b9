#pragma once

// Shared by the benchmark programs: test pictures, timing of our work and of
// peer tools run as processes, and the one summary line format that
// bench/run collects ("ratio: ...").

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace bench {

// A picture with smooth gradients, shapes and grain: JPEG sizes close to a
// camera's at quality 90. The same index gives the same picture.
QImage photo(int index, int width = 3000, int height = 2000);

// A flat-coloured picture (a screenshot or diagram): what PDFs store losslessly.
QImage diagram(int index, int width, int height);

// One timed run: elapsed time, and the processor time it took (ours and
// that of the peer processes it waited for), which other work on a shared
// machine disturbs far less.
struct Sample {
    double wall = -1, cpu = -1;  // seconds; -1 when the run failed
};

struct Stats {
    double median = -1, min = -1, max = -1;  // elapsed seconds; -1 when a run failed
    double cpu = -1;                         // median processor seconds
    bool ok() const { return median >= 0; }
};
Stats stats(const std::vector<Sample>& samples);

// Runs a peer tool with its output discarded; seconds, or -1 when it could
// not run or failed. peakKilobytes, when given, receives the largest
// resident size the process reached.
double runPeer(const QString& program, const QStringList& arguments, long* peakKilobytes = nullptr);

// A file of a Debian package, fetched with apt-get download and unpacked
// into the bench's cache (bench/out/debs) on first use; empty when it cannot
// be had. Nothing of it is ever committed.
QString debianFile(const QString& package, const QString& pathInPackage);
// Ten manuals Debian ships as PDF (1,476 pages in all), by debianFile; an
// empty entry for one that cannot be had.
QStringList debianManuals();
// R's 2,415-page reference manual, likewise.
QString debianRefman();

// Times one run of work.
Sample timeRun(const std::function<bool()>& work);

// Our work and the peer's, one run of each per round after one untimed round
// (which warms the file cache and checks that both work), interleaved (who
// goes first alternates) so that both meet the same load on a shared
// machine. prepare, when given, runs untimed before every run (with true
// before ours, false before the peer's): it may empty that side's output
// folder. The file system is synced after it, so that no run pays for
// writing back the one before.
struct Pair {
    Stats ours, peer;
};
Pair compare(int rounds, const std::function<bool()>& ours, const std::function<bool()>& peer,
             const std::function<void(bool ours)>& prepare = {});
Stats repeat(int rounds, const std::function<bool()>& work);

// "0.123 s (0.120-0.130, cpu 0.118 s)": median with the spread of the runs
// and the median processor time.
QString describe(const Stats& s);

// One summary line: "ratio: <what> <value> [cpu <cpu>] (target <= <target>)
// ok|MISSED", without a target when target <= 0, without cpu when cpu < 0.
void printRatio(const QString& what, double value, double target, double cpu = -1);
// The ratio of two timings (elapsed medians, and processor medians beside).
void printRatio(const QString& what, const Stats& ours, const Stats& peer, double target);
// The same for an absolute time: "limit: <what> <seconds> s (target < <limit> s) ok|MISSED".
void printLimit(const QString& what, double seconds, double limit);

} // namespace bench
