// The web console's rules over real HTTP and WebSocket connections on
// 127.0.0.1 (a port the system picks), against a fake program whose clock
// the test moves.

#include "web/Sessions.h"
#include "web/StatusJson.h"
#include "web/UserStore.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

using namespace gavelry::web;

namespace {

class FakeHost : public WebHost {
public:
    qint64 now = 1000;
    StatusView shown;
    QList<QPair<ActionRequest, QString>> actions;
    ActionResult answer{true, {}, {QStringLiteral(".mute .")}};
    QStringList audits;
    QStringList log;
    WebListener *listener = nullptr;

    qint64 nowMs() const override { return now; }
    StatusView status() const override { return shown; }
    ActionResult act(const ActionRequest &r, const QString &user) override
    {
        actions.append({r, user});
        return answer;
    }
    ActionResult sendChat(const QString &, const QString &) override { return {true, {}, {}}; }
    QStringList logLines(int n) const override { return log.mid(qMax<qsizetype>(0, log.size() - n)); }
    QStringList chatLines(int) const override { return {}; }
    void audit(const QString &what, const QString &cause) override { audits.append(what + QStringLiteral(" | ") + cause); }
    void setListener(WebListener *l) override { listener = l; }
};

struct Answer {
    int status = 0;
    QJsonObject json;
    QByteArray body;
    QByteArray cookie;
};

} // namespace

class TestWebConsole : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeHost m_host;
    std::unique_ptr<WebServer> m_server;
    QNetworkAccessManager m_net;
    QByteArray m_operatorCookie, m_operatorCsrf, m_viewerCookie, m_viewerCsrf;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server->port()); }

    Answer call(const QByteArray &method, const QString &path, const QByteArray &body = {}, const QByteArray &cookie = {},
                const QByteArray &csrf = {})
    {
        QNetworkRequest r(QUrl(base() + path));
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        // Each request carries the cookie the test names, none from a jar.
        r.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        r.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        if (!cookie.isEmpty())
            r.setRawHeader("Cookie", cookie);
        if (!csrf.isEmpty())
            r.setRawHeader("X-CSRF-Token", csrf);
        QNetworkReply *reply = m_net.sendCustomRequest(r, method, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            done.wait(20000);
        Answer a;
        a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        a.body = reply->readAll();
        a.json = QJsonDocument::fromJson(a.body).object();
        a.cookie = reply->rawHeader("Set-Cookie");
        reply->deleteLater();
        return a;
    }

    Answer login(const QString &user, const QString &password)
    {
        return call("POST", QStringLiteral("/api/login"),
                    QJsonDocument(QJsonObject{{QStringLiteral("user"), user}, {QStringLiteral("password"), password}})
                        .toJson());
    }

    static QByteArray cookiePair(const QByteArray &setCookie) { return setCookie.split(';').first(); }

    bool listenGuarded(WebServer &server, const ConnectionGuard::Limits &limits)
    {
        server.guard().setLimits(limits);
        WebSettings settings;
        settings.address = QHostAddress::LocalHost;
        QString why;
        return server.listen(settings, why);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        UserStore users(m_dir.path(), UserStore::Cost::Minimal);
        QString why;
        QVERIFY(users.add(QStringLiteral("Alice"), Role::Operator, QStringLiteral("operator-pass"), why));
        QVERIFY(users.add(QStringLiteral("bob"), Role::Viewer, QStringLiteral("viewer-pass"), why));
        m_server = std::make_unique<WebServer>(m_host, m_dir.path(), UserStore::Cost::Minimal);
        WebSettings settings;
        settings.enabled = true;
        settings.address = QHostAddress::LocalHost;
        QVERIFY2(m_server->listen(settings, why), qPrintable(why));
        QVERIFY(m_server->port() != 0);

        Answer op = login(QStringLiteral("alice"), QStringLiteral("operator-pass"));
        QCOMPARE(op.status, 200);
        m_operatorCookie = cookiePair(op.cookie);
        m_operatorCsrf = op.json.value(QStringLiteral("csrf")).toString().toLatin1();
        Answer viewer = login(QStringLiteral("bob"), QStringLiteral("viewer-pass"));
        QCOMPARE(viewer.status, 200);
        QCOMPARE(viewer.json.value(QStringLiteral("role")).toString(), QStringLiteral("viewer"));
        m_viewerCookie = cookiePair(viewer.cookie);
        m_viewerCsrf = viewer.json.value(QStringLiteral("csrf")).toString().toLatin1();
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("listen");
        QTest::newRow("empty file: off") << QByteArray() << true << false << QString();
        QTest::newRow("empty LISTEN: off") << QByteArray("[WEB]\nLISTEN=\n") << true << false << QString();
        QTest::newRow("no LISTEN: the default") << QByteArray("[web]\ncert=\nkey=\n") << true << true << QStringLiteral("127.0.0.1:8080");
        QTest::newRow("address and port") << QByteArray("[WEB]\nlisten = 0.0.0.0:9000\n") << true << true << QStringLiteral("0.0.0.0:9000");
        QTest::newRow("IPv6") << QByteArray("[WEB]\nLISTEN=[::1]:8443\n") << true << true << QStringLiteral("::1:8443");
        QTest::newRow("other section only: off") << QByteArray("[OTHER]\nLISTEN=1.2.3.4:5\n") << true << false << QString();
        QTest::newRow("no port") << QByteArray("[WEB]\nLISTEN=127.0.0.1\n") << false << false << QString();
        QTest::newRow("port 0") << QByteArray("[WEB]\nLISTEN=127.0.0.1:0\n") << false << false << QString();
        QTest::newRow("certificate without key") << QByteArray("[WEB]\nCERT=c.pem\n") << false << false << QString();
    }

    void settings()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(bool, enabled);
        QFETCH(QString, listen);
        WebSettings s;
        QString why;
        QCOMPARE(WebSettings::parse(text, QStringLiteral("/cfg"), s, why), ok);
        QCOMPARE(s.enabled, enabled);
        QCOMPARE(why.isEmpty(), ok);
        if (enabled)
            QCOMPARE(QStringLiteral("%1:%2").arg(s.address.toString()).arg(s.port), listen);
    }

    void passwordsAreKeptAsHashesOnly()
    {
        UserStore users(m_dir.path(), UserStore::Cost::Minimal);
        QFile file(users.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(!text.contains("operator-pass"));
        QVERIFY(text.contains("$argon2id$"));
        QCOMPARE(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                                       | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        QCOMPARE(users.verify(QStringLiteral("ALICE"), QStringLiteral("operator-pass")), std::optional(Role::Operator));
        QCOMPARE(users.verify(QStringLiteral("alice"), QStringLiteral("Operator-pass")), std::nullopt);
        QString why;
        QVERIFY(!users.add(QStringLiteral("a b"), Role::Viewer, QStringLiteral("whatever1"), why));
        QVERIFY(!users.remove(QStringLiteral("nobody"), why));
        // Nothing typed at a log-in, right or wrong, reaches the log.
        for (const QString &line : m_host.audits)
            QVERIFY2(!line.contains(QStringLiteral("-pass")), qPrintable(line));
    }

    void everyPathButTheLogInNeedsASession_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("page") << QByteArray("GET") << QStringLiteral("/") << 200;
        QTest::newRow("script") << QByteArray("GET") << QStringLiteral("/static/app.js") << 200;
        QTest::newRow("status") << QByteArray("GET") << QStringLiteral("/api/status") << 401;
        QTest::newRow("log") << QByteArray("GET") << QStringLiteral("/api/log?lines=5") << 401;
        QTest::newRow("chat") << QByteArray("GET") << QStringLiteral("/api/chat") << 401;
        QTest::newRow("chat send") << QByteArray("POST") << QStringLiteral("/api/chat") << 401;
        QTest::newRow("action") << QByteArray("POST") << QStringLiteral("/api/actions/unmuteAll") << 401;
        QTest::newRow("log-out") << QByteArray("POST") << QStringLiteral("/api/logout") << 401;
        QTest::newRow("events") << QByteArray("GET") << QStringLiteral("/api/events") << 401;
        QTest::newRow("metrics") << QByteArray("GET") << QStringLiteral("/metrics") << 401;
        QTest::newRow("unknown path") << QByteArray("GET") << QStringLiteral("/etc/passwd") << 401;
    }

    void everyPathButTheLogInNeedsASession()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        QCOMPARE(call(method, path, "{}", "gavelry_session=forged").status, status);
    }

    void sessionCookieAndSameAnswerWhateverWasWrong()
    {
        m_host.now += LoginThrottle::kChecksMs; // the set-up's log-ins are checked
        const Answer ok = login(QStringLiteral("alice"), QStringLiteral("operator-pass"));
        QVERIFY(ok.cookie.contains("HttpOnly"));
        QVERIFY(ok.cookie.contains("SameSite=Strict"));
        QVERIFY(!ok.cookie.contains("Secure")); // plain HTTP
        const Answer wrongUser = login(QStringLiteral("mallory"), QStringLiteral("operator-pass"));
        const Answer wrongPassword = login(QStringLiteral("alice"), QStringLiteral("guess"));
        QCOMPARE(wrongUser.status, 401);
        QCOMPARE(wrongPassword.status, 401);
        QCOMPARE(wrongUser.body, wrongPassword.body);
        QVERIFY(wrongUser.cookie.isEmpty());
        QCOMPARE(call("POST", QStringLiteral("/api/login"), "{\"user\": ").status, 400);
        m_host.now += 2 * 60 * 1000; // those failures are forgotten
    }

    void fiveFailuresLockTheAddressForAMinute()
    {
        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                m_host.now += LoginThrottle::kChecksMs; // apart enough to be checked at all
            QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("guess")).status, 401);
        }
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("operator-pass")).status, 429);
        m_host.now += 59 * 1000;
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("operator-pass")).status, 429);
        m_host.now += 1000;
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("operator-pass")).status, 200);
        // Failures spread over more than a minute never lock.
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("guess")).status, 401);
            m_host.now += 15 * 1000;
        }
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("operator-pass")).status, 200);
    }

    void rolesAndCsrf_data()
    {
        QTest::addColumn<bool>("operatorSession");
        QTest::addColumn<QString>("token"); ///< "right", "wrong" or empty
        QTest::addColumn<int>("status");
        QTest::newRow("operator with its token") << true << QStringLiteral("right") << 200;
        QTest::newRow("operator without token") << true << QString() << 403;
        QTest::newRow("operator with another's token") << true << QStringLiteral("wrong") << 403;
        QTest::newRow("viewer with its token") << false << QStringLiteral("right") << 403;
    }

    void rolesAndCsrf()
    {
        QFETCH(bool, operatorSession);
        QFETCH(QString, token);
        QFETCH(int, status);
        const QByteArray cookie = operatorSession ? m_operatorCookie : m_viewerCookie;
        const QByteArray own = operatorSession ? m_operatorCsrf : m_viewerCsrf;
        const QByteArray csrf = token == QLatin1String("right") ? own
                                : token == QLatin1String("wrong") ? (operatorSession ? m_viewerCsrf : m_operatorCsrf)
                                                                  : QByteArray();
        m_host.actions.clear();
        const Answer a = call("POST", QStringLiteral("/api/actions/mute"), R"({"call":"N0CALL","notice":"with"})", cookie, csrf);
        QCOMPARE(a.status, status);
        QCOMPARE(m_host.actions.size(), status == 200 ? 1 : 0);
        QCOMPARE(call("POST", QStringLiteral("/api/chat"), R"({"text":"hello"})", cookie, csrf).status, status);
        if (status == 200) {
            QCOMPARE(m_host.actions[0].second, QStringLiteral("Alice"));
            QCOMPARE(m_host.actions[0].first.call, QStringLiteral("N0CALL"));
            QCOMPARE(m_host.actions[0].first.notice, QStringLiteral("with"));
        }
        // Both roles read.
        QCOMPARE(call("GET", QStringLiteral("/api/status"), {}, cookie).status, 200);
        QCOMPARE(call("GET", QStringLiteral("/metrics"), {}, cookie).status, 200);
    }

    void actionArguments_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("check"); ///< what the program is asked, in short
        QTest::newRow("talker") << "muteTalker" << QByteArray() << 200 << "muteTalker";
        QTest::newRow("talker persistent") << "muteTalker" << QByteArray(R"({"notice":"persistent"})") << 200 << "muteTalker persistent";
        QTest::newRow("timed mute") << "mute" << QByteArray(R"({"call":"W1AW","timedMinutes":15})") << 200 << "mute W1AW 15";
        QTest::newRow("timed ban") << "ban" << QByteArray(R"({"call":"W1AW","timedMinutes":60})") << 200 << "ban W1AW 60";
        QTest::newRow("listing") << "listing" << QByteArray(R"({"which":"banned"})") << 200 << "listing banned";
        QTest::newRow("release") << "release" << QByteArray(R"({"slot":4})") << 200 << "release 4";
        QTest::newRow("malformed JSON") << "mute" << QByteArray(R"({"call": W1AW})") << 400 << "";
        QTest::newRow("not an object") << "mute" << QByteArray(R"(["W1AW"])") << 400 << "";
        QTest::newRow("no such action") << "explode" << QByteArray() << 404 << "";
        QTest::newRow("call missing") << "mute" << QByteArray() << 400 << "";
        QTest::newRow("two words for a call") << "ban" << QByteArray(R"({"call":"W1AW .unmute -a"})") << 400 << "";
        QTest::newRow("unmute is never timed") << "unmute" << QByteArray(R"({"call":"W1AW","timedMinutes":5})") << 400 << "";
        QTest::newRow("persistent is never timed") << "mute" << QByteArray(R"({"call":"W1AW","notice":"persistent","timedMinutes":5})") << 400 << "";
        QTest::newRow("a ban has no notice choice") << "ban" << QByteArray(R"({"call":"W1AW","notice":"with"})") << 400 << "";
        QTest::newRow("minutes not whole") << "mute" << QByteArray(R"({"call":"W1AW","timedMinutes":1.5})") << 400 << "";
        QTest::newRow("no such listing") << "listing" << QByteArray(R"({"which":"secrets"})") << 400 << "";
        QTest::newRow("slot 6") << "release" << QByteArray(R"({"slot":6})") << 400 << "";
        QTest::newRow("minutes past any int") << "ban" << QByteArray(R"({"call":"W1AW","timedMinutes":1e104})") << 400 << "";
        QTest::newRow("slot past any int") << "release" << QByteArray(R"({"slot":-1e300})") << 400 << "";
        QTest::newRow("over 64 kB") << "mute" << QByteArray(70000, ' ') << 413 << "";
    }

    void actionArguments()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, check);
        m_host.actions.clear();
        const Answer a = call("POST", QStringLiteral("/api/actions/") + name, body, m_operatorCookie, m_operatorCsrf);
        QCOMPARE(a.status, status);
        if (status != 200) {
            QVERIFY(!a.json.value(QStringLiteral("error")).toString().isEmpty());
            QVERIFY(m_host.actions.isEmpty());
            return;
        }
        QCOMPARE(a.json, QJsonObject({{QStringLiteral("done"), true}, {QStringLiteral("sent"), QJsonArray{".mute ."}}}));
        const ActionRequest &r = m_host.actions.value(0).first;
        QStringList asked{r.name};
        for (const QString &part : {r.notice, r.call, r.which})
            if (!part.isEmpty())
                asked.append(part);
        if (r.timedMinutes)
            asked.append(QString::number(r.timedMinutes));
        if (r.slot)
            asked.append(QString::number(r.slot));
        QCOMPARE(asked.join(u' '), check);
    }

    void refusedActionSaysWhy()
    {
        m_host.answer = ActionResult{false, QStringLiteral("Admin is disabled"), {}};
        const Answer a = call("POST", QStringLiteral("/api/actions/unmuteAll"), {}, m_operatorCookie, m_operatorCsrf);
        m_host.answer = ActionResult{true, {}, {QStringLiteral(".mute .")}};
        QCOMPARE(a.status, 200);
        QCOMPARE(a.json.value(QStringLiteral("done")).toBool(), false);
        QCOMPARE(a.json.value(QStringLiteral("why")).toString(), QStringLiteral("Admin is disabled"));
    }

    void statusAsJson()
    {
        m_host.shown.conference = QStringLiteral("*TEST*");
        m_host.shown.talker = QStringLiteral("W1AW");
        m_host.shown.stationInfo = QStringLiteral("CONF *TEST* [3/50]\r\rK1ABC Ann\rW2XYZ (Muted)\r->W1AW Hiram\r\rWelcome");
        m_host.shown.talkLimitMinutes = 10;
        m_host.shown.countdownSeconds = 570;
        m_host.shown.timedSlots = {SlotView{QStringLiteral("unban"), 4, QStringLiteral("N0BAD"), true, 120}};
        const QJsonObject s = call("GET", QStringLiteral("/api/status"), {}, m_viewerCookie).json;
        QCOMPARE(s.value(QStringLiteral("conference")).toString(), QStringLiteral("*TEST*"));
        const QJsonArray stations = s.value(QStringLiteral("stations")).toArray();
        QCOMPARE(stations.size(), 3);
        QCOMPARE(stations[0].toObject(), QJsonObject({{QStringLiteral("call"), QStringLiteral("W1AW")},
                                                      {QStringLiteral("name"), QStringLiteral("Hiram")},
                                                      {QStringLiteral("talking"), true},
                                                      {QStringLiteral("muted"), false}}));
        QCOMPARE(stations[2].toObject().value(QStringLiteral("call")).toString(), QStringLiteral("W2XYZ"));
        QCOMPARE(stations[2].toObject().value(QStringLiteral("muted")).toBool(), true);
        QCOMPARE(s.value(QStringLiteral("slots")).toArray()[0].toObject().value(QStringLiteral("secondsLeft")).toInt(), 120);
        const QByteArray metrics = call("GET", QStringLiteral("/metrics"), {}, m_viewerCookie).body;
        QVERIFY(metrics.contains("\ngavelry_stations 3\n"));
        QVERIFY(metrics.contains("\ngavelry_talker_seconds 30\n"));
        QVERIFY(metrics.contains("\ngavelry_timed_slots_running 1\n"));
    }

    void logNewestFirstAndByStation()
    {
        m_host.log = {QStringLiteral("2026-01-01 10:00:00 | .mute W1AW | W1AW | operator"),
                      QStringLiteral("2026-01-01 10:01:00 | .ban add K1ABC | K1ABC | web: Alice"),
                      QStringLiteral("2026-01-01 10:02:00 | .unmute W1AW | W1AW | web: Alice")};
        const QJsonArray all = call("GET", QStringLiteral("/api/log?lines=2"), {}, m_viewerCookie).json.value(QStringLiteral("lines")).toArray();
        QCOMPARE(all.size(), 2);
        QVERIFY(all[0].toString().contains(QStringLiteral(".unmute W1AW")));
        const QJsonArray w1aw = call("GET", QStringLiteral("/api/log?station=w1aw"), {}, m_viewerCookie).json.value(QStringLiteral("lines")).toArray();
        QCOMPARE(w1aw.size(), 2);
        QCOMPARE(call("GET", QStringLiteral("/api/log?lines=0"), {}, m_viewerCookie).status, 400);
        // Commands counted by kind for the metrics.
        for (const QString &e : m_host.log)
            m_host.listener->logLine(e);
        const QByteArray metrics = call("GET", QStringLiteral("/metrics"), {}, m_viewerCookie).body;
        QVERIFY(metrics.contains("gavelry_commands_sent_total{kind=\"ban\"} 1\n"));
        QVERIFY(metrics.contains("gavelry_commands_sent_total{kind=\"mute\"} 1\n"));
    }

    void events_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<bool>("session");
        QTest::addColumn<bool>("followed");
        QTest::newRow("own origin with a session") << QStringLiteral("own") << true << true;
        QTest::newRow("no session") << QStringLiteral("own") << false << false;
        QTest::newRow("foreign origin") << QStringLiteral("http://evil.example") << true << false;
        QTest::newRow("no origin") << QString() << true << false;
    }

    void events()
    {
        QFETCH(QString, origin);
        QFETCH(bool, session);
        QFETCH(bool, followed);
        QNetworkRequest r(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events").arg(m_server->port())));
        if (session)
            r.setRawHeader("Cookie", m_viewerCookie);
        QWebSocket ws(origin == QLatin1String("own") ? base() : origin);
        QStringList received;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&](const QString &m) { received.append(m); });
        QSignalSpy closed(&ws, &QWebSocket::disconnected);
        ws.open(r);
        if (!followed) {
            QVERIFY(closed.wait(20000));
            QVERIFY(received.isEmpty());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 20000);
        QCOMPARE(m_server->clientCount(), 1);
        QCOMPARE(QJsonDocument::fromJson(received[0].toUtf8()).object().value(QStringLiteral("type")).toString(), QStringLiteral("status"));
        // A change is pushed; no change, nothing.
        m_host.listener->statusMayHaveChanged();
        m_host.shown.talker = QStringLiteral("K1ABC");
        m_host.listener->statusMayHaveChanged();
        m_host.listener->logLine(QStringLiteral("2026-01-01 10:03:00 | .mute . | K1ABC | web: Alice"));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, 20000);
        const QJsonObject pushed = QJsonDocument::fromJson(received[1].toUtf8()).object();
        QCOMPARE(pushed.value(QStringLiteral("status")).toObject().value(QStringLiteral("talker")).toString(), QStringLiteral("K1ABC"));
        QCOMPARE(QJsonDocument::fromJson(received[2].toUtf8()).object().value(QStringLiteral("type")).toString(), QStringLiteral("log"));
        ws.close();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, 20000);
    }

    void oneSessionCannotTakeEveryPlace()
    {
        std::vector<std::unique_ptr<QWebSocket>> pages;
        for (int i = 0; i <= WebServer::kMostClientsPerSession; ++i) {
            QNetworkRequest r(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events").arg(m_server->port())));
            r.setRawHeader("Cookie", m_viewerCookie);
            pages.push_back(std::make_unique<QWebSocket>(base()));
            pages.back()->open(r);
            QTRY_VERIFY_WITH_TIMEOUT(pages.back()->state() == QAbstractSocket::ConnectedState
                                         || pages.back()->state() == QAbstractSocket::UnconnectedState, 20000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), WebServer::kMostClientsPerSession, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(pages.back()->state(), QAbstractSocket::UnconnectedState, 20000);
        pages.clear();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, 20000);
    }

    void guardClosesConnections_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("ms"); // to send a request, or to sit idle
        QTest::newRow("a megabyte, no complete request")
            << "POST /api/login HTTP/1.1\r\nX-Pad: " + QByteArray(1024 * 1024, 'a') << QByteArray("413") << 60000;
        QTest::newRow("silent") << QByteArray() << QByteArray() << 300;
        QTest::newRow("half a request") << QByteArray("GET /api/status HTTP/1.1\r\n") << QByteArray() << 300;
        QTest::newRow("refused upgrade, one answer") // no origin
            << QByteArray("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n")
            << QByteArray("403") << 60000;
    }

    void guardClosesConnections()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        QFETCH(int, ms);
        FakeHost host;
        WebServer server(host, m_dir.path(), UserStore::Cost::Minimal);
        QVERIFY(listenGuarded(server, {128, 48, 128 * 1024, ms, ms}));
        QTcpSocket s;
        QByteArray got;
        connect(&s, &QTcpSocket::readyRead, this, [&] { got += s.readAll(); });
        s.connectToHost(QHostAddress::LocalHost, server.port());
        s.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(s.state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(server.guard().count(), 0);
        if (answer.isEmpty())
            QVERIFY(got.isEmpty());
        else if (!got.isEmpty() || answer != "413") // the cut-off answer may be lost to the reset
            QVERIFY2(got.startsWith("HTTP/1.1 " + answer) && got.count("HTTP/1.1 ") == 1, got);
    }

    void connectionCaps_data()
    {
        QTest::addColumn<int>("connections");
        QTest::addColumn<int>("perAddress");
        QTest::newRow("in all") << 2 << 10;
        QTest::newRow("from one address") << 10 << 2;
    }

    void connectionCaps()
    {
        QFETCH(int, connections);
        QFETCH(int, perAddress);
        FakeHost host;
        WebServer server(host, m_dir.path(), UserStore::Cost::Minimal);
        QVERIFY(listenGuarded(server, {connections, perAddress, 128 * 1024, 60000, 60000}));
        QTcpSocket sockets[3];
        for (QTcpSocket &s : sockets)
            s.connectToHost(QHostAddress::LocalHost, server.port());
        QTRY_COMPARE_WITH_TIMEOUT(sockets[2].state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(sockets[1].state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server.guard().count(), 2);
    }

    void logOutEndsTheSession()
    {
        const Answer a = login(QStringLiteral("bob"), QStringLiteral("viewer-pass"));
        const QByteArray cookie = cookiePair(a.cookie);
        const QByteArray csrf = a.json.value(QStringLiteral("csrf")).toString().toLatin1();
        QCOMPARE(call("POST", QStringLiteral("/api/logout"), {}, cookie).status, 403); // no token
        QCOMPARE(call("POST", QStringLiteral("/api/logout"), {}, cookie, csrf).status, 200);
        QCOMPARE(call("GET", QStringLiteral("/api/status"), {}, cookie).status, 401);
    }

    void changedOrRemovedUserLosesItsSessions()
    {
        m_host.now += LoginThrottle::kChecksMs;
        UserStore users(m_dir.path(), UserStore::Cost::Minimal);
        QString why;
        QVERIFY(users.add(QStringLiteral("carol"), Role::Operator, QStringLiteral("carol-pass"), why));
        const Answer a = login(QStringLiteral("carol"), QStringLiteral("carol-pass"));
        QCOMPARE(a.status, 200);
        // Same role, new password: what a sysop does when the old one got out.
        QVERIFY(users.add(QStringLiteral("carol"), Role::Operator, QStringLiteral("carol-pass-2"), why));
        QCOMPARE(call("GET", QStringLiteral("/api/status"), {}, cookiePair(a.cookie)).status, 401);
        const Answer b = login(QStringLiteral("carol"), QStringLiteral("carol-pass-2"));
        QCOMPARE(b.status, 200);
        QVERIFY(users.remove(QStringLiteral("carol"), why));
        QCOMPARE(call("GET", QStringLiteral("/api/status"), {}, cookiePair(b.cookie)).status, 401);
    }

    void logInGuards()
    {
        m_host.now += 2 * LoginThrottle::kLockMs; // earlier failures forgotten
        // Another site's form may post text/plain or a form encoding unasked.
        QNetworkRequest form(QUrl(base() + QStringLiteral("/api/login")));
        form.setHeader(QNetworkRequest::ContentTypeHeader, "text/plain");
        QNetworkReply *reply = m_net.post(form, R"({"user":"alice","password":"operator-pass"})");
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(reply->isFinished() || done.wait(20000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 415);
        reply->deleteLater();

        // A log-in that succeeds at the address forgives no guess at another's password.
        for (int i = 0; i < LoginThrottle::kFailures - 1; ++i) {
            QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("guess")).status, 401);
            m_host.now += LoginThrottle::kChecksMs;
        }
        QCOMPARE(login(QStringLiteral("bob"), QStringLiteral("viewer-pass")).status, 200);
        m_host.now += LoginThrottle::kChecksMs;
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("guess")).status, 401);
        QCOMPARE(login(QStringLiteral("alice"), QStringLiteral("operator-pass")).status, 429);
        m_host.now += 2 * LoginThrottle::kLockMs;

        // Password checks hold the program's thread: a few at a time, whoever asks.
        for (int i = 0; i < LoginThrottle::kChecks; ++i)
            QCOMPARE(login(QStringLiteral("bob"), QStringLiteral("viewer-pass")).status, 200);
        const Answer busy = login(QStringLiteral("bob"), QStringLiteral("viewer-pass"));
        QCOMPARE(busy.status, 503);
        m_host.now += LoginThrottle::kChecksMs;
        QCOMPARE(login(QStringLiteral("bob"), QStringLiteral("viewer-pass")).status, 200);
    }

    void httpsOnlyWhenConfigured()
    {
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty())
            QSKIP("openssl is not installed to make test certificates");
        // A certificate signed by a CA of its own, served as a fullchain.pem holds it.
        const QString key = QStringLiteral("-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ");
        for (const QString &args : {QStringLiteral("req -x509 %1ca.key -out ca.pem -subj /CN=Test-CA").arg(key),
                                    QStringLiteral("req %1key.pem -out leaf.csr -subj /CN=127.0.0.1").arg(key),
                                    QStringLiteral("x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -out leaf.pem")}) {
            QProcess p;
            p.setWorkingDirectory(m_dir.path());
            p.start(openssl, args.split(QLatin1Char(' ')));
            QVERIFY(p.waitForFinished(-1) && p.exitCode() == 0);
        }
        const QDir dir(m_dir.path());
        QFile full(dir.filePath(QStringLiteral("fullchain.pem"))), leaf(dir.filePath(QStringLiteral("leaf.pem"))),
            ca(dir.filePath(QStringLiteral("ca.pem")));
        QVERIFY(full.open(QIODevice::WriteOnly) && leaf.open(QIODevice::ReadOnly) && ca.open(QIODevice::ReadOnly));
        QVERIFY(full.write(leaf.readAll() + ca.readAll()) > 0 && full.flush());
        WebSettings settings;
        QString why;
        QVERIFY(WebSettings::parse("[WEB]\nLISTEN=127.0.0.1:1\nCERT=fullchain.pem\nKEY=key.pem\n", m_dir.path(), settings, why));
        settings.port = 0;
        FakeHost host;
        WebServer tls(host, m_dir.path(), UserStore::Cost::Minimal);
        QVERIFY2(tls.listen(settings, why), qPrintable(why));
        QSslSocket client;
        client.setPeerVerifyMode(QSslSocket::VerifyNone);
        client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), tls.port());
        QTRY_VERIFY_WITH_TIMEOUT(client.isEncrypted(), 10000);
        QCOMPARE(client.peerCertificateChain().size(), 2); // the intermediate too
        auto ask = [&](const QString &scheme) {
            QNetworkRequest r(QUrl(QStringLiteral("%1://127.0.0.1:%2/api/login").arg(scheme).arg(tls.port())));
            r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
            ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
            r.setSslConfiguration(ssl);
            QNetworkReply *reply = m_net.post(r, R"({"user":"alice","password":"operator-pass"})");
            QSignalSpy done(reply, &QNetworkReply::finished);
            if (!reply->isFinished())
                done.wait(20000);
            reply->deleteLater();
            return qMakePair(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->rawHeader("Set-Cookie"));
        };
        QCOMPARE(ask(QStringLiteral("http")).first, 0); // no answer in clear
        const auto secure = ask(QStringLiteral("https"));
        QCOMPARE(secure.first, 200);
        QVERIFY(secure.second.contains("; Secure"));
    }
};

QTEST_MAIN(TestWebConsole)
#include "test_web_console.moc"
