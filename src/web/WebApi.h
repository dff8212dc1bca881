#pragma once

#include "web/Sessions.h"
#include "web/StatusJson.h"
#include "web/UserStore.h"
#include "web/WebHost.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrlQuery>

namespace gavelry::web {

using Header = QPair<QByteArray, QByteArray>;
using HeaderList = QList<Header>;

struct HttpRequest {
    QByteArray method; ///< "GET", "POST" ...
    QString path;
    QUrlQuery query;
    HeaderList headers;
    QByteArray body;
    QString peer; ///< the client's address
    /// The header's value (names without regard to case); empty when absent.
    QByteArray header(const QByteArray &name) const;
};

struct HttpReply {
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    HeaderList headers;
};

/// The console's HTTP interface as a function of requests: log-in and its
/// throttle, sessions and roles, the CSRF token, the JSON of status, actions,
/// log and chat, the metrics and the pages. The server hands it each request;
/// tests may too.
class WebApi {
public:
    static constexpr qsizetype kMostBody = 64 * 1024;
    static constexpr int kMostLines = 1000;
    static const QByteArray kCookie; ///< the session cookie's name

    /// secure: the console speaks HTTPS (the cookie is marked Secure).
    WebApi(WebHost &host, UserStore &users, bool secure);

    HttpReply handle(const HttpRequest &request);

    /// The live session a Cookie header names, if any.
    const Sessions::Session *sessionOf(const QByteArray &cookieHeader);

    LogCounters &counters() { return m_counters; }
    void setClientCount(int clients) { m_clients = clients; }

private:
    HttpReply login(const HttpRequest &request);
    HttpReply page(const QString &path) const;
    HttpReply action(const QString &name, const HttpRequest &request, const Sessions::Session &session);
    HttpReply chat(const HttpRequest &request, const Sessions::Session &session);
    HttpReply lines(const HttpRequest &request, bool log) const;
    /// Null (and reply set) unless the session may change things: an
    /// operator that sent its CSRF token.
    bool mayChange(const HttpRequest &request, const Sessions::Session &session, HttpReply &reply) const;
    Sessions::Session *session(const HttpRequest &request);

    WebHost &m_host;
    UserStore &m_users;
    bool m_secure;
    Sessions m_sessions;
    LoginThrottle m_throttle;
    LogCounters m_counters;
    int m_clients = 0;
};

/// A JSON body {"error": message} with status.
HttpReply errorReply(int status, const QString &message);
/// Parses a JSON object body; an empty body is an empty object. False, with a 400 reply, otherwise.
bool jsonObject(const QByteArray &body, QJsonObject &object, HttpReply &reply);

} // namespace gavelry::web
