// The web console's push latency, in one process on the wall clock: the
// whole program on the simulator with the console on (the settings folder
// given holds web.ini and a user), one WebSocket client logged in as a
// browser is. A station keys up; the time until the push that names it as
// the talker is taken, many times. The floor, measured in the same run: a
// bare WebSocket server's message to a client over the same loopback.
//
//     web_child CONFIG_DIR PORT USER PASSWORD RUNS
// prints "latency MEDIAN P90 floor MEDIAN" in milliseconds.
#include "app/Program.h"
#include "app/WebConsole.h"
#include "platform/RealScheduler.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace gavelry;

namespace {

/// Runs events until done() holds; false after timeoutMs.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: web_child CONFIG_DIR PORT USER PASSWORD RUNS\n");
        return 2;
    }
    const QString configDir = QString::fromLocal8Bit(argv[1]);
    const QByteArray origin = "http://127.0.0.1:" + QByteArray(argv[2]);
    const int runs = std::max(3, atoi(argv[5]));

    RealScheduler scheduler;
    SimClient client(scheduler, QStringLiteral("N0CALL-L"));
    SimClientFactory factory(client);
    SimConference conference(client, QStringLiteral("*HARBOUR*"), QStringLiteral("a"), QStringLiteral("s"));
    conference.join(QStringLiteral("W1ABC"));
    conference.join(QStringLiteral("K2XYZ"));
    client.linkUp(QStringLiteral("*HARBOUR*"));
    ScriptedDialogs dialogs;
    RecordingShell shell;
    Program program(scheduler, factory, dialogs, shell, configDir);
    program.start();
    const std::unique_ptr<WebConsole> console = WebConsole::start(program, configDir);
    if (!console) {
        std::fprintf(stderr, "web_child: the console did not start\n");
        return 1;
    }

    QNetworkAccessManager net;
    QNetworkRequest login(QUrl(QString::fromLatin1(origin + "/api/login")));
    login.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply *reply = net.post(login, QJsonDocument(QJsonObject{{"user", argv[3]}, {"password", argv[4]}}).toJson());
    if (!waitFor([&] { return reply->isFinished(); }) || reply->error() != QNetworkReply::NoError) {
        std::fprintf(stderr, "web_child: log-in failed\n");
        return 1;
    }
    const QByteArray cookie = reply->rawHeader("Set-Cookie").split(';').first();

    QString talker;
    bool sawStatus = false;
    QElapsedTimer clock;
    clock.start();
    QWebSocket socket;
    QObject::connect(&socket, &QWebSocket::textMessageReceived, [&](const QString &text) {
        const QJsonObject event = QJsonDocument::fromJson(text.toUtf8()).object();
        if (event.value("type").toString() == QLatin1String("status")) {
            talker = event.value("status").toObject().value("talker").toString();
            sawStatus = true;
        }
    });
    QNetworkRequest events(QUrl(QString::fromLatin1("ws://127.0.0.1:" + QByteArray(argv[2]) + "/api/events")));
    events.setRawHeader("Cookie", cookie);
    events.setRawHeader("Origin", origin);
    socket.open(events);
    if (!waitFor([&] { return sawStatus; })) {
        std::fprintf(stderr, "web_child: no status pushed\n");
        return 1;
    }

    std::vector<double> latency;
    for (int i = 0; i < runs; ++i) {
        const qint64 t0 = clock.nsecsElapsed();
        conference.key(QStringLiteral("W1ABC"));
        if (!waitFor([&] { return talker == QLatin1String("W1ABC"); })) {
            std::fprintf(stderr, "web_child: the talker was not pushed\n");
            return 1;
        }
        latency.push_back(double(clock.nsecsElapsed() - t0) / 1e6);
        conference.unkey(QStringLiteral("W1ABC"));
        if (!waitFor([&] { return talker.isEmpty(); }))
            return 1;
        // Off the console's rhythm, so each key-up falls elsewhere in it.
        waitFor([] { return false; }, 37 + 13 * (i % 7));
    }

    QWebSocketServer bare(QStringLiteral("floor"), QWebSocketServer::NonSecureMode);
    bare.listen(QHostAddress::LocalHost, 0);
    QWebSocket *served = nullptr;
    QObject::connect(&bare, &QWebSocketServer::newConnection, [&] { served = bare.nextPendingConnection(); });
    QWebSocket floorClient;
    bool got = false;
    QObject::connect(&floorClient, &QWebSocket::textMessageReceived, [&](const QString &) { got = true; });
    floorClient.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(bare.serverPort())));
    if (!waitFor([&] { return served && floorClient.state() == QAbstractSocket::ConnectedState; }))
        return 1;
    std::vector<double> floor;
    for (int i = 0; i < runs; ++i) {
        got = false;
        const qint64 t0 = clock.nsecsElapsed();
        served->sendTextMessage(QStringLiteral("{\"type\":\"status\"}"));
        if (!waitFor([&] { return got; }))
            return 1;
        floor.push_back(double(clock.nsecsElapsed() - t0) / 1e6);
    }
    std::printf("latency %.2f %.2f floor %.3f\n", percentile(latency, 0.5), percentile(latency, 0.9),
                percentile(floor, 0.5));
    return 0;
}
