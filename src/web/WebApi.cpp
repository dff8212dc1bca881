#include "web/WebApi.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace gavelry::web {

const QByteArray WebApi::kCookie = "gavelry_session";

namespace {

const QString kWrongLogin = QStringLiteral("wrong user or password");

HttpReply jsonReply(const QJsonObject &object, int status = 200)
{
    HttpReply r;
    r.status = status;
    r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return r;
}

QByteArray cookieValue(const QByteArray &header, const QByteArray &name)
{
    for (QByteArray part : header.split(';')) {
        part = part.trimmed();
        if (part.startsWith(name + '='))
            return part.mid(name.size() + 1);
    }
    return {};
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

HttpReply errorReply(int status, const QString &message)
{
    return jsonReply(QJsonObject{{QStringLiteral("error"), message}}, status);
}

bool jsonObject(const QByteArray &body, QJsonObject &object, HttpReply &reply)
{
    if (body.trimmed().isEmpty()) {
        object = QJsonObject();
        return true;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        reply = errorReply(400, QStringLiteral("malformed JSON at %1: %2").arg(error.offset).arg(error.errorString()));
        return false;
    }
    if (!doc.isObject()) {
        reply = errorReply(400, QStringLiteral("malformed JSON: an object {...} is expected"));
        return false;
    }
    object = doc.object();
    return true;
}

WebApi::WebApi(WebHost &host, UserStore &users, bool secure) : m_host(host), m_users(users), m_secure(secure)
{
    // The stand-in hash an unknown name is checked against is made now, so
    // that the first unknown name takes no longer than a known one.
    m_users.verify(QString(), QString());
}

Sessions::Session *WebApi::session(const HttpRequest &request)
{
    Sessions::Session *s = m_sessions.find(cookieValue(request.header("Cookie"), kCookie), m_host.nowMs());
    if (!s)
        return nullptr;
    // A user removed, or given another role or password, since the log-in
    // ends its sessions: a new password is what a sysop sets when the old
    // one got out.
    m_users.refresh();
    const UserStore::User *user = m_users.find(s->user);
    if (!user || user->role != s->role || user->hash != s->hash) {
        m_sessions.closeUser(s->user);
        return nullptr;
    }
    return s;
}

const Sessions::Session *WebApi::sessionOf(const QByteArray &cookieHeader)
{
    HttpRequest r;
    r.headers.append(Header{"Cookie", cookieHeader});
    return session(r);
}

HttpReply WebApi::handle(const HttpRequest &request)
{
    HttpReply reply = [&] {
        if (request.body.size() > kMostBody)
            return errorReply(413, QStringLiteral("the request body is over %1 bytes").arg(kMostBody));
        const QString &path = request.path;
        const bool get = request.method == "GET" || request.method == "HEAD";
        const bool post = request.method == "POST";
        if (path == QLatin1String("/") || path.startsWith(QLatin1String("/static/")))
            return get ? page(path) : errorReply(405, QStringLiteral("GET only"));
        if (path == QLatin1String("/api/login"))
            return post ? login(request) : errorReply(405, QStringLiteral("POST only"));
        Sessions::Session *s = session(request);
        if (!s)
            return errorReply(401, QStringLiteral("log in first"));
        if (path == QLatin1String("/api/logout")) {
            if (!post)
                return errorReply(405, QStringLiteral("POST only"));
            if (!Sessions::sameToken(request.header("X-CSRF-Token"), s->csrf))
                return errorReply(403, QStringLiteral("missing or wrong X-CSRF-Token"));
            m_host.audit(QStringLiteral("web log-out"), QStringLiteral("web: %1").arg(s->user));
            m_sessions.close(s->token);
            HttpReply r = jsonReply(QJsonObject{{QStringLiteral("done"), true}});
            r.headers.append(Header{"Set-Cookie", kCookie + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict"
                                                + QByteArray(m_secure ? "; Secure" : "")});
            return r;
        }
        if (path == QLatin1String("/api/status"))
            return get ? jsonReply(statusJson(m_host.status())) : errorReply(405, QStringLiteral("GET only"));
        if (path == QLatin1String("/api/log"))
            return get ? lines(request, true) : errorReply(405, QStringLiteral("GET only"));
        if (path == QLatin1String("/api/chat")) {
            if (get)
                return lines(request, false);
            return post ? chat(request, *s) : errorReply(405, QStringLiteral("GET or POST"));
        }
        if (path.startsWith(QLatin1String("/api/actions/")))
            return post ? action(path.mid(13), request, *s) : errorReply(405, QStringLiteral("POST only"));
        if (path == QLatin1String("/metrics")) {
            if (!get)
                return errorReply(405, QStringLiteral("GET only"));
            HttpReply r;
            r.contentType = "text/plain; version=0.0.4; charset=utf-8";
            r.body = metricsText(m_host.status(), m_counters, m_clients);
            return r;
        }
        if (path == QLatin1String("/api/session"))
            return jsonReply(QJsonObject{{QStringLiteral("user"), s->user},
                                         {QStringLiteral("role"), roleName(s->role)},
                                         {QStringLiteral("csrf"), QString::fromLatin1(s->csrf)}});
        return errorReply(404, QStringLiteral("no such page"));
    }();
    // What every answer carries: nothing of it is kept by a cache, framed by
    // another site, or guessed into another type.
    reply.headers.append(Header{"Cache-Control", "no-store"});
    reply.headers.append(Header{"X-Content-Type-Options", "nosniff"});
    reply.headers.append(Header{"X-Frame-Options", "DENY"});
    reply.headers.append(Header{"Referrer-Policy", "no-referrer"});
    reply.headers.append(Header{"Content-Security-Policy",
                          "default-src 'self'; connect-src 'self'; img-src 'self' data:; frame-ancestors 'none'"});
    return reply;
}

HttpReply WebApi::page(const QString &path) const
{
    static const QHash<QString, QPair<QString, QByteArray>> pages = {
        {QStringLiteral("/"), {QStringLiteral(":/web/index.html"), "text/html; charset=utf-8"}},
        {QStringLiteral("/static/app.js"), {QStringLiteral(":/web/app.js"), "text/javascript; charset=utf-8"}},
        {QStringLiteral("/static/style.css"), {QStringLiteral(":/web/style.css"), "text/css; charset=utf-8"}},
    };
    const auto it = pages.constFind(path);
    if (it == pages.constEnd())
        return errorReply(404, QStringLiteral("no such page"));
    QFile file(it->first);
    if (!file.open(QIODevice::ReadOnly))
        return errorReply(500, QStringLiteral("the page is not built in"));
    HttpReply r;
    r.contentType = it->second;
    r.body = file.readAll();
    return r;
}

HttpReply WebApi::login(const HttpRequest &request)
{
    const qint64 now = m_host.nowMs();
    if (m_throttle.locked(request.peer, now)) {
        HttpReply r = errorReply(429, QStringLiteral("too many failed log-ins from this address; try again in a minute"));
        r.headers.append(Header{"Retry-After", QByteArray::number(LoginThrottle::kLockMs / 1000)});
        return r;
    }
    // JSON only: a form of another site can post text/plain or a form
    // encoding without asking, but not application/json.
    if (!request.header("Content-Type").trimmed().toLower().startsWith("application/json"))
        return errorReply(415, QStringLiteral("send the log-in as JSON (Content-Type: application/json)"));
    QJsonObject args;
    HttpReply bad;
    if (!jsonObject(request.body, args, bad))
        return bad;
    if (!m_throttle.mayCheck(now)) {
        HttpReply r = errorReply(503, QStringLiteral("busy with other log-ins; try again in a few seconds"));
        r.headers.append(Header{"Retry-After", QByteArray::number(LoginThrottle::kChecksMs / 1000)});
        return r;
    }
    const QString user = args.value(QStringLiteral("user")).toString();
    const QString password = args.value(QStringLiteral("password")).toString();
    const std::optional<Role> role = m_users.verify(user, password);
    if (!role) {
        m_throttle.failed(request.peer, now);
        // The name only when it is a user's: a password typed into the
        // user box never reaches the log.
        const UserStore::User *known = m_users.find(user);
        m_host.audit(QStringLiteral("web log-in refused from %1").arg(request.peer),
                     known ? QStringLiteral("web: %1").arg(known->name) : QStringLiteral("web"));
        return errorReply(401, kWrongLogin);
    }
    const UserStore::User *known = m_users.find(user);
    const QString name = known->name;
    const Sessions::Session &s = m_sessions.open(name, *role, known->hash, now);
    m_host.audit(QStringLiteral("web log-in from %1 as %2").arg(request.peer, roleName(*role)),
                 QStringLiteral("web: %1").arg(name));
    HttpReply r = jsonReply(QJsonObject{{QStringLiteral("csrf"), QString::fromLatin1(s.csrf)},
                                        {QStringLiteral("role"), roleName(*role)},
                                        {QStringLiteral("user"), name}});
    r.headers.append(Header{"Set-Cookie", kCookie + '=' + s.token + "; Path=/; HttpOnly; SameSite=Strict"
                                        + QByteArray(m_secure ? "; Secure" : "")});
    return r;
}

bool WebApi::mayChange(const HttpRequest &request, const Sessions::Session &session, HttpReply &reply) const
{
    if (session.role != Role::Operator) {
        reply = errorReply(403, QStringLiteral("a viewer cannot act; an operator can"));
        return false;
    }
    if (!Sessions::sameToken(request.header("X-CSRF-Token"), session.csrf)) {
        reply = errorReply(403, QStringLiteral("missing or wrong X-CSRF-Token"));
        return false;
    }
    return true;
}

HttpReply WebApi::action(const QString &name, const HttpRequest &request, const Sessions::Session &session)
{
    HttpReply reply;
    QJsonObject args;
    if (!mayChange(request, session, reply) || !jsonObject(request.body, args, reply))
        return reply;
    ActionRequest action;
    int status = 400;
    QString why;
    if (!parseAction(name, args, action, status, why))
        return errorReply(status, why);
    const ActionResult result = m_host.act(action, session.user);
    QJsonObject out{{QStringLiteral("done"), result.done}, {QStringLiteral("sent"), QJsonArray::fromStringList(result.sent)}};
    if (!result.done)
        out.insert(QStringLiteral("why"), result.why);
    return jsonReply(out);
}

HttpReply WebApi::chat(const HttpRequest &request, const Sessions::Session &session)
{
    HttpReply reply;
    QJsonObject args;
    if (!mayChange(request, session, reply) || !jsonObject(request.body, args, reply))
        return reply;
    const QJsonValue text = args.value(QStringLiteral("text"));
    if (!text.isString() || text.toString().trimmed().isEmpty())
        return errorReply(400, QStringLiteral("'text' is missing"));
    if (text.toString().contains(u'\n') || text.toString().contains(u'\r'))
        return errorReply(400, QStringLiteral("'text' is one line"));
    // A dot-command typed as chat would pass by the admin gate and the
    // actions' own checks: commands go through /api/actions.
    if (text.toString().trimmed().startsWith(u'.'))
        return errorReply(400, QStringLiteral("a line starting with '.' is a command; use the actions"));
    const ActionResult result = m_host.sendChat(text.toString(), session.user);
    QJsonObject out{{QStringLiteral("done"), result.done}};
    if (!result.done)
        out.insert(QStringLiteral("why"), result.why);
    return jsonReply(out);
}

HttpReply WebApi::lines(const HttpRequest &request, bool log) const
{
    bool ok = true;
    int n = 100;
    if (request.query.hasQueryItem(QStringLiteral("lines")))
        n = request.query.queryItemValue(QStringLiteral("lines")).toInt(&ok);
    if (!ok || n < 1 || n > kMostLines)
        return errorReply(400, QStringLiteral("'lines' is a number from 1 to %1").arg(kMostLines));
    QStringList out = log ? m_host.logLines(n) : m_host.chatLines(n);
    const QString station = request.query.queryItemValue(QStringLiteral("station")).trimmed();
    if (log && !station.isEmpty())
        out.removeIf([&](const QString &entry) {
            return entry.section(QStringLiteral(" | "), 2, 2).trimmed().compare(station, Qt::CaseInsensitive) != 0;
        });
    // Newest first.
    std::reverse(out.begin(), out.end());
    return jsonReply(QJsonObject{{QStringLiteral("lines"), QJsonArray::fromStringList(out)}});
}

} // namespace gavelry::web
