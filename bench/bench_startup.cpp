// Start-up benchmark: process start until every window has loaded (simulator
// client, real time), against a bare Qt application showing one empty window,
// measured in the same run. Prints the medians and their ratio (target: at
// most 3).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double runOnce(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return -1;
    }
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString child = QDir(dir).filePath(QStringLiteral("startup_child"));
    const QString floor = QDir(dir).filePath(QStringLiteral("floor_child"));
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 15;

    QTemporaryDir config;
    const QStringList childArgs{QStringLiteral("--headless"), QStringLiteral("--config-dir"), config.path()};
    // Warm the page cache once for both.
    runOnce(floor, {});
    runOnce(child, childArgs);

    std::vector<double> floorMs, childMs;
    for (int i = 0; i < runs; ++i) { // interleaved, so both see the same machine
        const double f = runOnce(floor, {});
        const double c = runOnce(child, childArgs);
        if (f < 0 || c < 0)
            return 1;
        floorMs.push_back(f);
        childMs.push_back(c);
    }
    const double f = median(floorMs), c = median(childMs);
    std::printf("startup: gavelry %.1f ms, bare Qt window %.1f ms (median of %d), ratio %.2f (target <= 3)\n",
                c, f, runs, c / f);
    return 0;
}
