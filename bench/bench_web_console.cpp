// Web console benchmark. Latency: a station keying up in the simulator until
// the WebSocket push naming it reaches a logged-in client (web_child), against
// a bare WebSocket message over the same loopback in the same run. Memory:
// the resident set of `gavelry --headless` on the simulator with the console
// off (nothing of it may be loaded: that is the program as it was) and on
// with 10 WebSocket clients following it; the ratio on/off.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebSocket>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QByteArray kUser = "bench";
const QByteArray kPassword = "bench-password-1";

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void settle(int ms) { waitFor([] { return false; }, ms); }

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

/// A settings folder with the console on at port and the bench's operator.
bool consoleOn(const QString &gavelry, const QString &dir, quint16 port)
{
    QFile ini(QDir(dir).filePath(QStringLiteral("web.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[WEB]\nLISTEN=127.0.0.1:" + QByteArray::number(port) + "\n");
    ini.close();
    QProcess add;
    add.start(gavelry, {QStringLiteral("--web-user"), QStringLiteral("add"), QString::fromLatin1(kUser),
                        QStringLiteral("--role"), QStringLiteral("operator"), QStringLiteral("--config-dir"), dir});
    add.write(kPassword + "\n");
    add.closeWriteChannel();
    return add.waitForFinished(60000) && add.exitCode() == 0;
}

qint64 residentKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

bool mapsName(qint64 pid, const QByteArray &what)
{
    QFile f(QStringLiteral("/proc/%1/maps").arg(pid));
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(what);
}

/// Logs in and follows the console's pushes; null when refused. Log-ins
/// the console is too busy to check now (503) are asked again when it says.
std::unique_ptr<QWebSocket> follow(QNetworkAccessManager &net, quint16 port)
{
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(port);
    QNetworkRequest login(QUrl(QString::fromLatin1(origin + "/api/login")));
    login.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply *r = nullptr;
    for (int tries = 0; tries < 10; ++tries) {
        r = net.post(login, "{\"user\":\"" + kUser + "\",\"password\":\"" + kPassword + "\"}");
        if (!waitFor([r] { return r->isFinished(); }, 10000))
            return nullptr;
        if (r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 503)
            break;
        settle(1000 * r->rawHeader("Retry-After").toInt());
    }
    if (r->error() != QNetworkReply::NoError)
        return nullptr;
    auto socket = std::make_unique<QWebSocket>();
    bool pushed = false;
    QObject::connect(socket.get(), &QWebSocket::textMessageReceived, socket.get(), [&pushed] { pushed = true; });
    QNetworkRequest events(QUrl(QString::fromLatin1("ws://127.0.0.1:" + QByteArray::number(port) + "/api/events")));
    events.setRawHeader("Cookie", r->rawHeader("Set-Cookie").split(';').first());
    events.setRawHeader("Origin", origin);
    socket->open(events);
    if (!waitFor([&pushed] { return pushed; }, 10000))
        return nullptr;
    QObject::disconnect(socket.get(), &QWebSocket::textMessageReceived, nullptr, nullptr);
    return socket;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString appDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/app"));
    const QString gavelry = QDir(appDir).filePath(QStringLiteral("gavelry"));
    const QString child = QDir(appDir).filePath(QStringLiteral("web_child"));
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 40;

    QTemporaryDir off, on;
    const quint16 port = freePort();
    if (!consoleOn(gavelry, on.path(), port)) {
        std::fprintf(stderr, "bench_web_console: cannot set up the console's settings\n");
        return 1;
    }

    // Latency.
    QProcess latency;
    latency.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    latency.start(child, {on.path(), QString::number(port), QString::fromLatin1(kUser), QString::fromLatin1(kPassword),
                          QString::number(runs)});
    if (!latency.waitForFinished(300000) || latency.exitCode() != 0) {
        std::fprintf(stderr, "bench_web_console: web_child failed\n");
        return 1;
    }
    const QList<QByteArray> l = latency.readAllStandardOutput().trimmed().split(' ');
    const double median = l.value(1).toDouble(), p90 = l.value(2).toDouble(), floor = l.value(4).toDouble();
    std::printf("web push: key-up to push at the client %.1f ms median (90%% %.1f ms) over %d runs, bare WebSocket "
                "message %.3f ms, ratio %.0f\n",
                median, p90, runs, floor, median / floor);

    // Memory, after the program has settled.
    const auto measure = [&](const QString &dir, int clients, qint64 &kb, bool &moduleLoaded) {
        QProcess p;
        p.start(gavelry, {QStringLiteral("--headless"), QStringLiteral("--client"), QStringLiteral("sim"),
                          QStringLiteral("--config-dir"), dir});
        if (!p.waitForStarted(10000))
            return false;
        settle(3000);
        QNetworkAccessManager net;
        std::vector<std::unique_ptr<QWebSocket>> followers;
        for (int i = 0; i < clients; ++i) {
            followers.push_back(follow(net, port));
            if (!followers.back())
                return false;
        }
        settle(3000);
        kb = residentKb(p.processId());
        moduleLoaded = mapsName(p.processId(), "gavelry-web.so") || mapsName(p.processId(), "Qt6HttpServer");
        p.terminate();
        p.waitForFinished(10000);
        return kb > 0;
    };
    qint64 offKb = 0, onKb = 0;
    bool offLoaded = true, onLoaded = false;
    if (!measure(off.path(), 0, offKb, offLoaded) || !measure(on.path(), 10, onKb, onLoaded)) {
        std::fprintf(stderr, "bench_web_console: the memory run failed\n");
        return 1;
    }
    std::printf("web memory: console off %lld kB (console module loaded: %s), on with 10 clients %lld kB "
                "(loaded: %s), ratio %.2f\n",
                offKb, offLoaded ? "yes" : "no", onKb, onLoaded ? "yes" : "no", double(onKb) / double(offKb));
    return offLoaded ? 1 : 0;
}
