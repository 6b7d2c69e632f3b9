#include "benchsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

QImage photo(int index, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor::fromHsv((index * 37) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 90));
    p.fillRect(img.rect(), sky);
    QRandomGenerator rng(quint32(index + 1));
    const int small = std::max(1, width / 75), big = std::max(small + 1, width * 2 / 15);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(rng.bounded(360), rng.bounded(255), rng.bounded(255), 160));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(rng.bounded(width), rng.bounded(height)), rng.bounded(small, big), rng.bounded(small, big));
    }
    p.end();
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rng.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
    return img;
}

QImage diagram(int index, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QRandomGenerator rng(quint32(index + 1000));
    p.fillRect(0, 0, width, height / 8, QColor::fromHsv((index * 53) % 360, 90, 200));
    const int bars = 8;
    for (int i = 0; i < bars; ++i) {
        const int h = rng.bounded(height / 8, height * 3 / 4);
        p.fillRect(width * (2 * i + 1) / (2 * bars + 1), height - h, width / (2 * bars + 1), h,
                   QColor::fromHsv((index * 53 + i * 40) % 360, 160, 220));
    }
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(0, height - 1, width, height - 1);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, height / 14));
    p.setFont(font);
    p.drawText(QRect(4, 0, width - 8, height / 8), Qt::AlignVCenter, QStringLiteral("Figure %1").arg(index));
    return img;
}

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double seconds(const timeval& t)
{
    return t.tv_sec + t.tv_usec / 1e6;
}

// Processor time of this process and of its children that were waited for.
double processorSeconds()
{
    rusage self {}, children {};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

} // namespace

Stats stats(const std::vector<Sample>& samples)
{
    Stats s;
    if (samples.empty() || std::any_of(samples.begin(), samples.end(), [](const Sample& v) { return v.wall < 0; }))
        return s;
    std::vector<double> wall, cpu;
    for (const Sample& v : samples) {
        wall.push_back(v.wall);
        cpu.push_back(v.cpu);
    }
    s.median = median(wall);
    s.min = *std::min_element(wall.begin(), wall.end());
    s.max = *std::max_element(wall.begin(), wall.end());
    s.cpu = median(cpu);
    return s;
}

double runPeer(const QString& program, const QStringList& arguments, long* peakKilobytes)
{
    std::vector<QByteArray> args{QFile::encodeName(program)};
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    const double seconds = t.nsecsElapsed() / 1e9;
    if (peakKilobytes)
        *peakKilobytes = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

QString debianFile(const QString& package, const QString& pathInPackage)
{
    const QDir cache(QStringLiteral(FOLIO_SOURCE_DIR "/bench/out/debs"));
    const QString unpacked = cache.filePath(package);
    const QString file = QDir(unpacked).filePath(pathInPackage.mid(pathInPackage.startsWith('/') ? 1 : 0));
    if (QFileInfo(file).isFile())
        return file;
    cache.mkpath(QStringLiteral("."));
    QProcess download;
    download.setWorkingDirectory(cache.path());
    download.start(QStringLiteral("apt-get"), {QStringLiteral("download"), package});
    download.waitForFinished(300000);
    const QStringList debs = cache.entryList({package + QStringLiteral("_*.deb")}, QDir::Files);
    if (debs.isEmpty())
        return QString();
    QProcess::execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), cache.filePath(debs.last()), unpacked});
    // Documentation packages often link their files to another package's folder.
    const QFileInfo info(file);
    if (info.isSymLink() && !info.exists()) {
        const QString target = QDir(unpacked).filePath(QDir(QStringLiteral("/")).relativeFilePath(info.symLinkTarget()));
        if (QFileInfo(target).isFile())
            return target;
    }
    return QFileInfo(file).isFile() ? file : QString();
}

Sample timeRun(const std::function<bool()>& work)
{
    const double cpu = processorSeconds();
    QElapsedTimer t;
    t.start();
    if (!work())
        return Sample();
    Sample s;
    s.wall = t.nsecsElapsed() / 1e9;
    s.cpu = processorSeconds() - cpu;
    return s;
}

Pair compare(int rounds, const std::function<bool()>& ours, const std::function<bool()>& peer,
             const std::function<void(bool ours)>& prepare)
{
    auto run = [&](bool isOurs) {
        if (prepare)
            prepare(isOurs);
        ::sync();
        return timeRun(isOurs ? ours : peer);
    };
    Pair result;
    if (run(true).wall < 0 || run(false).wall < 0)
        return result;
    std::vector<Sample> a, b;
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            a.push_back(run(true));
            b.push_back(run(false));
        } else {
            b.push_back(run(false));
            a.push_back(run(true));
        }
    }
    result.ours = stats(a);
    result.peer = stats(b);
    return result;
}

Stats repeat(int rounds, const std::function<bool()>& work)
{
    return compare(rounds, work, [] { return true; }).ours;
}

QString describe(const Stats& s)
{
    if (!s.ok())
        return QStringLiteral("failed");
    auto fmt = [](double v) { return QString::number(v, 'f', v < 0.1 ? 4 : 3); };
    return QStringLiteral("%1 s (%2-%3, cpu %4 s)").arg(fmt(s.median), fmt(s.min), fmt(s.max), fmt(s.cpu));
}

void printRatio(const QString& what, double value, double target, double cpu)
{
    const QString cpuText = cpu >= 0 ? QStringLiteral("cpu %1").arg(cpu, 5, 'f', 2) : QString(9, QLatin1Char(' '));
    if (target > 0)
        std::printf("ratio: %-62s %6.2f  %s  (target <= %.2f) %s\n", qPrintable(what), value, qPrintable(cpuText), target,
                    value <= target ? "ok" : "MISSED");
    else
        std::printf("ratio: %-62s %6.2f  %s\n", qPrintable(what), value, qPrintable(cpuText));
    std::fflush(stdout);
}

void printRatio(const QString& what, const Stats& ours, const Stats& peer, double target)
{
    if (!ours.ok() || !peer.ok()) {
        std::printf("ratio: %-62s failed\n", qPrintable(what));
        std::fflush(stdout);
        return;
    }
    printRatio(what, ours.median / peer.median, target, peer.cpu > 0 ? ours.cpu / peer.cpu : -1);
}

void printLimit(const QString& what, double seconds, double limit)
{
    std::printf("limit: %-62s %6.3f s (target < %.3f s) %s\n", qPrintable(what), seconds, limit,
                seconds < limit ? "ok" : "MISSED");
    std::fflush(stdout);
}

QStringList debianManuals()
{
    return {
        debianFile("bash-doc", "usr/share/doc/bash/bashref.pdf"),
        debianFile("bash-doc", "usr/share/doc/bash/bash.pdf"),
        debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/R-intro.pdf"),
        debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/R-exts.pdf"),
        debianFile("gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf"),
        debianFile("glpk-doc", "usr/share/doc/glpk-doc/glpk.pdf"),
        debianFile("cvs", "usr/share/doc/cvs/cvs.pdf"),
        debianFile("debian-history", "usr/share/doc/debian-history/docs/project-history.en.pdf"),
        debianFile("systemtap-doc", "usr/share/doc/systemtap-doc/SystemTap_Beginners_Guide.pdf"),
        debianFile("xmlformat-doc", "usr/share/doc/xmlformat-doc/xmlformat.pdf"),
    };
}

QString debianRefman()
{
    return debianFile("r-doc-pdf", "usr/share/doc/r-doc-pdf/manual/refman.pdf");
}

} // namespace bench
