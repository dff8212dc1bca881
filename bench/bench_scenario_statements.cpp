// Scenario statements benchmark: the cost of one statement of each kind that
// checks or prepares a run (expect that matches, expect that misses, the same
// and a new text each time; expect-no, the same and a new text; ini, new keys
// and one key over and over) in a run of N and of 8 N of them, against the
// floor of a show statement (one transcript line) in runs of the same sizes,
// all measured in this run. The checks each follow a show statement, so
// their cost holds one floor. A start and end alone are measured first and
// taken off. Prints the cost per statement, its growth from N to 8 N (1 is
// linear, 8 quadratic) and its ratio to the floor (target: a growth of at
// most 1.5 for every kind).

#include "app/Options.h"
#include "scenario/ScenarioRunner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace gavelry;

namespace {

qint64 threadNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Cost {
    double cpuMs = 0;
    double wallMs = 0; // ini lines wait for the disk
};

/// Runs a scenario in this process: its transcript and messages (a missed
/// expect says so) go to files in dir.
Cost run(const QTemporaryDir &dir, const QString &text)
{
    const QString path = dir.filePath(QStringLiteral("bench.scn"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    Options options;
    options.scenario = path;
    options.transcript = dir.filePath(QStringLiteral("bench.transcript"));
    std::fflush(stderr);
    const int savedStderr = ::dup(STDERR_FILENO);
    const int messages = ::open(QFile::encodeName(dir.filePath(QStringLiteral("bench.err"))).constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(messages, STDERR_FILENO);
    QElapsedTimer wall;
    wall.start();
    const qint64 cpu = threadNs();
    const int code = runScenario(options);
    const Cost cost{(threadNs() - cpu) / 1e6, wall.nsecsElapsed() / 1e6};
    std::fflush(stderr);
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    ::close(messages);
    if (code == 2)
        qFatal("the benchmark's scenario was refused");
    return cost;
}

/// A scenario: before, then n times the statements of each(i), then after.
QString repeated(const QString &before, int n, const std::function<QString(int)> &each, const QString &after)
{
    QString text = before;
    for (int i = 0; i < n; ++i)
        text += each(i);
    return text + after;
}

struct Kind {
    const char *name;
    std::function<QString(int)> text; ///< the scenario of n statements
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(100, atoi(argv[1])) : 3000;
    QTemporaryDir dir;

    const QString started = QStringLiteral("start\n");
    const QString show = QStringLiteral("show Form6.Caption\n");
    const auto afterShow = [&](int n, const std::function<QString(int)> &statement) {
        return repeated(started, n, [&](int i) { return show + statement(i); }, QStringLiteral("end\n"));
    };
    const auto beforeStart = [&](int n, const std::function<QString(int)> &statement) {
        return repeated(QString(), n, statement, QStringLiteral("start\nend\n"));
    };
    const Kind floor{"show (floor)", [&](int n) { return repeated(started, n, [&](int) { return show; }, "end\n"); }};
    const QList<Kind> kinds{
        {"expect, matching",
         [&](int n) { return afterShow(n, [](int) { return QStringLiteral("expect \"Caption\"\n"); }); }},
        {"expect, missing the same",
         [&](int n) { return afterShow(n, [](int) { return QStringLiteral("expect \"absent\"\n"); }); }},
        {"expect, missing a new one",
         [&](int n) { return afterShow(n, [](int i) { return QStringLiteral("expect \"absent %1\"\n").arg(i); }); }},
        {"expect-no, the same",
         [&](int n) { return afterShow(n, [](int) { return QStringLiteral("expect-no \"absent\"\n"); }); }},
        {"expect-no, a new one",
         [&](int n) { return afterShow(n, [](int i) { return QStringLiteral("expect-no \"absent %1\"\n").arg(i); }); }},
        {"ini, a new key",
         [&](int n) { return beforeStart(n, [](int i) { return QStringLiteral("ini bench.ini K%1 \"v%1\"\n").arg(i); }); }},
        {"ini, the same key",
         [&](int n) { return beforeStart(n, [](int i) { return QStringLiteral("ini bench.ini K \"v%1\"\n").arg(i); }); }},
    };

    // The machine is shared: every figure is the best of several runs.
    const int rounds = 3;
    const auto best = [&](const QString &text) {
        Cost b{1e18, 1e18};
        for (int r = 0; r < rounds; ++r) {
            const Cost c = run(dir, text);
            b = {std::min(b.cpuMs, c.cpuMs), std::min(b.wallMs, c.wallMs)};
        }
        return b;
    };
    run(dir, QStringLiteral("start\nend\n")); // the first start loads what every later one finds loaded
    const Cost empty = best(QStringLiteral("start\nend\n"));
    // Microseconds per statement, the start and end taken off.
    const auto perStatement = [&](const Kind &kind, int count) {
        const Cost c = best(kind.text(count));
        return Cost{std::max(0.0, c.cpuMs - empty.cpuMs) * 1000 / count,
                    std::max(0.0, c.wallMs - empty.wallMs) * 1000 / count};
    };
    const Cost floorSmall = perStatement(floor, n);
    const Cost floorLarge = perStatement(floor, 8 * n);

    std::printf("scenario statements, CPU us per statement in runs of %d and %d (wall us in brackets)\n", n, 8 * n);
    std::printf("  %-26s %16s %16s %8s %10s\n", "statement", "N", "8 N", "growth", "to floor");
    const auto row = [&](const char *name, const Cost &small, const Cost &large) {
        std::printf("  %-26s %7.1f (%6.1f) %7.1f (%6.1f) %8.2f %10.2f\n", name, small.cpuMs, small.wallMs, large.cpuMs,
                    large.wallMs, large.cpuMs / std::max(small.cpuMs, 1e-3), large.cpuMs / std::max(floorLarge.cpuMs, 1e-3));
    };
    row(floor.name, floorSmall, floorLarge);
    double worst = 0;
    for (const Kind &kind : kinds) {
        const Cost small = perStatement(kind, n);
        const Cost large = perStatement(kind, 8 * n);
        row(kind.name, small, large);
        worst = std::max(worst, large.cpuMs / std::max(small.cpuMs, 1e-3));
    }
    std::printf("  worst growth from N to 8 N: %.2f\n", worst);
    return 0;
}
