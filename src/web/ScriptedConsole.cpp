#include "web/ScriptedConsole.h"

#include "web/StatusJson.h"
#include "web/UserStore.h"
#include "web/WebApi.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace gavelry::web {

namespace {

class Scripted final : public ScriptedConsole, private WebListener {
public:
    static constexpr const char *kUser = "operator";

    Scripted(WebHost &host, std::function<void(const QByteArray &)> pushed)
        : m_host(host), m_pushed(std::move(pushed)), m_users(m_dir.path(), UserStore::Cost::Minimal),
          m_api(host, m_users, false)
    {
    }
    ~Scripted() override { m_host.setListener(nullptr); }

    /// Logs the operator in, then follows the program as a WebSocket client
    /// does: the status first, then every change.
    bool open(QString &why)
    {
        if (!m_dir.isValid()) {
            why = QStringLiteral("no scratch folder for the console's users: %1").arg(m_dir.errorString());
            return false;
        }
        const QString password = QString::number(QRandomGenerator::global()->generate64(), 36);
        if (!m_users.add(QString::fromLatin1(kUser), Role::Operator, password, why))
            return false;
        HttpRequest login{"POST", QStringLiteral("/api/login"), {}, {{"Content-Type", "application/json"}},
                          QJsonDocument(QJsonObject{{QStringLiteral("user"), QString::fromLatin1(kUser)},
                                                    {QStringLiteral("password"), password}})
                              .toJson(QJsonDocument::Compact),
                          QStringLiteral("127.0.0.1")};
        const HttpReply r = m_api.handle(login);
        for (const Header &h : r.headers)
            if (h.first == "Set-Cookie")
                m_cookie = h.second.left(h.second.indexOf(';'));
        m_csrf = QJsonDocument::fromJson(r.body).object().value(QStringLiteral("csrf")).toString().toLatin1();
        if (r.status != 200 || m_cookie.isEmpty()) {
            why = QStringLiteral("the console refused its operator's log-in (%1)").arg(r.status);
            return false;
        }
        m_api.setClientCount(1);
        m_host.setListener(this);
        m_last = statusEvent(m_host.status());
        push(m_last);
        return true;
    }

    std::pair<int, QByteArray> request(const QByteArray &method, const QString &path, const QByteArray &body) override
    {
        HttpRequest r;
        r.method = method;
        const qsizetype q = path.indexOf(u'?');
        r.path = path.left(q);
        if (q >= 0)
            r.query = QUrlQuery(path.mid(q + 1));
        r.headers = {{"Cookie", m_cookie}, {"X-CSRF-Token", m_csrf}, {"Content-Type", "application/json"}};
        r.body = body;
        r.peer = QStringLiteral("127.0.0.1");
        const HttpReply reply = m_api.handle(r);
        return {reply.status, reply.body.trimmed()};
    }

private:
    void statusMayHaveChanged() override
    {
        const QJsonObject event = statusEvent(m_host.status());
        if (event == m_last)
            return;
        m_last = event;
        push(event);
    }
    void chatLine(const QString &line) override { push(chatEvent(line)); }
    void logLine(const QString &entry) override
    {
        m_api.counters().take(entry);
        push(logEvent(entry));
    }

    void push(const QJsonObject &event)
    {
        // A session that ended gets no more, as its WebSocket would be closed.
        if (m_api.sessionOf(m_cookie))
            m_pushed(QJsonDocument(event).toJson(QJsonDocument::Compact));
    }

    WebHost &m_host;
    std::function<void(const QByteArray &)> m_pushed;
    QTemporaryDir m_dir;
    UserStore m_users;
    WebApi m_api;
    QByteArray m_cookie;
    QByteArray m_csrf;
    QJsonObject m_last;
};

} // namespace

std::unique_ptr<ScriptedConsole> openScriptedConsole(WebHost &host, std::function<void(const QByteArray &)> pushed,
                                                     QString &why)
{
    auto console = std::make_unique<Scripted>(host, std::move(pushed));
    if (!console->open(why))
        return nullptr;
    return console;
}

} // namespace gavelry::web
