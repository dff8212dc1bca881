// Desktop benchmark, run inside an X server (scripts/bench-desktop.sh starts
// one with xvfb-run): Gavelry beside a bare Qt window and qtel, Debian's
// EchoLink client, in the same run. For each it prints the time from process
// start until its first window is mapped and the resident memory a few
// seconds later; then Gavelry's memory once its web links window has shown a
// page (its own process, and with the web engine's helper processes); then
// the CPU each uses over 20 s idle with every window shown.
//
// Targets: start-up memory at most 2x the bare window's and below qtel's;
// time to a visible window at most 2x the bare window's; idle CPU at most
// 0.5 % of a core.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <cstdio>
#include <sys/select.h>
#include <vector>

namespace {

struct Subject {
    QString name;
    QString program;
    QStringList args;
    QProcessEnvironment env;
};

/// The process id a top-level window says it belongs to, or 0.
long windowPid(Display *dpy, Window w)
{
    static const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) == Success
        && data && items == 1 && format == 32)
        pid = long(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

/// Waits until a window of process pid is mapped on the root window;
/// milliseconds since timer started, or -1 after timeoutMs.
double waitForMap(Display *dpy, long pid, const QElapsedTimer &timer, int timeoutMs)
{
    const int fd = ConnectionNumber(dpy);
    while (timer.elapsed() < timeoutMs) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == MapNotify && !ev.xmap.override_redirect && windowPid(dpy, ev.xmap.window) == pid)
                return timer.nsecsElapsed() / 1e6;
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 20000};
        select(fd + 1, &set, nullptr, nullptr, &tv);
    }
    return -1;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Resident memory of pid in MB.
double rssMb(long pid)
{
    for (const QByteArray &line : readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

/// pid and every process below it.
std::vector<long> family(long pid)
{
    std::vector<long> all{pid};
    for (size_t i = 0; i < all.size(); ++i) {
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool ok = false;
            const long p = entry.toLong(&ok);
            if (!ok)
                continue;
            const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(p));
            const int close = stat.lastIndexOf(')');
            if (close < 0)
                continue;
            const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
            if (fields.size() > 1 && fields[1].toLong() == all[i])
                all.push_back(p);
        }
    }
    return all;
}

/// CPU time of every thread of pid, nanoseconds.
qint64 cpuNs(long pid)
{
    qint64 sum = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        sum += readFile(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task)).split(' ').first().toLongLong();
    return sum;
}

struct Started {
    QProcess *process = nullptr;
    double visibleMs = -1;
};

Started start(Display *dpy, const Subject &s)
{
    Started r;
    r.process = new QProcess;
    r.process->setProcessEnvironment(s.env);
    r.process->setProgram(s.program);
    r.process->setArguments(s.args);
    r.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    r.process->setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    r.process->start();
    if (!r.process->waitForStarted(10000))
        return r;
    r.visibleMs = waitForMap(dpy, long(r.process->processId()), timer, 30000);
    return r;
}

void stop(Started &s)
{
    s.process->terminate();
    if (!s.process->waitForFinished(5000))
        s.process->kill();
    s.process->waitForFinished(5000);
    delete s.process;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "desktop_bench: no X display (run it through scripts/bench-desktop.sh)\n");
        return 1;
    }
    // A window may be gone by the time its owner is asked for.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString here = QCoreApplication::applicationDirPath();

    QTemporaryDir work;
    const QString page = QDir(work.path()).filePath(QStringLiteral("page.html"));
    {
        QFile f(page);
        f.open(QIODevice::WriteOnly);
        f.write("<html><body><h1>Net tonight</h1><p>Check-ins from 19:00 on the conference.</p></body></html>");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    auto gavelry = [&](const QString &config) {
        return Subject{QStringLiteral("gavelry"), QDir(here).filePath(QStringLiteral("../src/app/desktop_child")),
                       {QStringLiteral("--config-dir"), config}, env};
    };
    const QString qtel = QStandardPaths::findExecutable(QStringLiteral("qtel"));
    std::vector<Subject> subjects{{QStringLiteral("bare Qt window"), QDir(here).filePath(QStringLiteral("floor_child")),
                                   {QStringLiteral("--stay")}, env}};
    if (!qtel.isEmpty())
        subjects.push_back({QStringLiteral("qtel"), qtel, {}, env});
    else
        std::fprintf(stderr, "desktop_bench: qtel is not installed; it is left out\n");

    // Start-up: time to a visible window and memory 3 s later, interleaved.
    std::vector<std::vector<double>> ms(subjects.size() + 1), mb(subjects.size() + 1);
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i <= subjects.size(); ++i) {
            QTemporaryDir config;
            const Subject s = i < subjects.size() ? subjects[i] : gavelry(config.path());
            Started st = start(dpy, s);
            QThread::msleep(3000);
            ms[i].push_back(st.visibleMs);
            mb[i].push_back(rssMb(long(st.process->processId())));
            stop(st);
        }
    }
    std::printf("desktop start-up, median of %d runs (time to a visible window, resident memory 3 s later)\n", runs);
    const double bareMs = median(ms[0]), bareMb = median(mb[0]);
    for (size_t i = 0; i <= subjects.size(); ++i) {
        const QString name = i < subjects.size() ? subjects[i].name : QStringLiteral("gavelry");
        std::printf("  %-16s %7.1f ms (%.2f x bare)   %6.1f MB (%.2f x bare)\n", qPrintable(name), median(ms[i]),
                    median(ms[i]) / bareMs, median(mb[i]), median(mb[i]) / bareMb);
    }

    // The web links window showing a page.
    {
        QTemporaryDir config;
        Subject s = gavelry(config.path());
        s.env.insert(QStringLiteral("GAVELRY_BENCH_WEB_AFTER_MS"), QStringLiteral("4000"));
        s.env.insert(QStringLiteral("GAVELRY_BENCH_PAGE"), QUrl::fromLocalFile(page).toString());
        Started st = start(dpy, s);
        const long pid = long(st.process->processId());
        QThread::msleep(3000);
        const double before = rssMb(pid);
        QThread::msleep(9000);
        double all = 0;
        const std::vector<long> procs = family(pid);
        for (long p : procs)
            all += rssMb(p);
        std::printf("  gavelry web links window showing a page: %.1f MB (before: %.1f MB), %.1f MB with its %zu helper processes\n",
                    rssMb(pid), before, all, procs.size() - 1);
        stop(st);
    }

    // Idle: every window shown, nothing happening, 20 s.
    std::printf("idle CPU over 20 s with every window shown\n");
    for (size_t i = 0; i <= subjects.size(); ++i) {
        QTemporaryDir config;
        Subject s = i < subjects.size() ? subjects[i] : gavelry(config.path());
        if (i == subjects.size()) {
            s.env.insert(QStringLiteral("GAVELRY_BENCH_SHOW_ALL"), QStringLiteral("1"));
            // The program's own idle cost: as root the web links window shows
            // its placeholder, as a session that never loaded a page would.
            s.env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        }
        Started st = start(dpy, s);
        const long pid = long(st.process->processId());
        QThread::msleep(3000);
        const qint64 a = cpuNs(pid);
        QThread::msleep(20000);
        const qint64 b = cpuNs(pid);
        std::printf("  %-16s %.2f %% of a core\n", qPrintable(s.name), (b - a) / 1e9 / 20 * 100);
        stop(st);
    }
    XCloseDisplay(dpy);
    return 0;
}
