#include "web/WebServer.h"

#include "web/WebSettings.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QUrl>
#include <QWebSocket>

static void initPages() { Q_INIT_RESOURCE(pages); }

namespace gavelry::web {

namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return "GET";
    case QHttpServerRequest::Method::Head: return "HEAD";
    case QHttpServerRequest::Method::Post: return "POST";
    case QHttpServerRequest::Method::Put: return "PUT";
    case QHttpServerRequest::Method::Delete: return "DELETE";
    case QHttpServerRequest::Method::Options: return "OPTIONS";
    case QHttpServerRequest::Method::Patch: return "PATCH";
    default: return "OTHER";
    }
}

/// Hands each connection to the guard before the HTTP server sees it.
class GuardedTcpServer : public QTcpServer {
public:
    GuardedTcpServer(ConnectionGuard &guard, QObject *parent) : QTcpServer(parent), m_guard(guard) {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || !m_guard.admit(socket)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        addPendingConnection(socket);
    }

private:
    ConnectionGuard &m_guard;
};

/// Set on a socket whose request was answered before missingHandler runs.
constexpr char kAnswered[] = "gavelryAnswered";

} // namespace

WebServer::WebServer(WebHost &host, const QString &configDir, UserStore::Cost cost, QObject *parent)
    : QAbstractHttpServer(parent), m_host(host), m_users(configDir, cost)
{
    initPages();
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::acceptWebSockets);
}

WebServer::~WebServer()
{
    m_host.setListener(nullptr);
    for (Client &c : m_clients)
        delete c.socket;
}

bool WebServer::listen(const WebSettings &settings, QString &why)
{
    m_https = settings.https();
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    if (m_https) {
        QFile certFile(settings.cert);
        QFile keyFile(settings.key);
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            why = QStringLiteral("The web console's certificate or key cannot be read (%1, %2)")
                      .arg(settings.cert, settings.key);
            return false;
        }
        // The whole chain as a fullchain.pem holds it: the server's own
        // certificate, then the intermediates a client needs.
        const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
        const QByteArray keyPem = keyFile.readAll();
        QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
        if (chain.isEmpty() || chain.first().isNull() || key.isNull()) {
            why = QStringLiteral("The web console's certificate or key is no PEM file (%1, %2)")
                      .arg(settings.cert, settings.key);
            return false;
        }
        ssl.setLocalCertificateChain(chain);
        ssl.setPrivateKey(key);
        ssl.setProtocol(QSsl::SecureProtocols);
    }
    m_api = std::make_unique<WebApi>(m_host, m_users, m_https);
    // Our own server, so that each connection meets the guard first.
    QTcpServer *server = nullptr;
    if (m_https) {
        auto *sslServer = new QSslServer(this);
        sslServer->setSslConfiguration(ssl);
        connect(sslServer, &QSslServer::startedEncryptionHandshake, this, [this](QSslSocket *socket) {
            if (!m_guard.admit(socket))
                socket->deleteLater();
        });
        server = sslServer;
    } else {
        server = new GuardedTcpServer(m_guard, this);
    }
    if (!server->listen(settings.address, settings.port)) {
        delete server;
        why = QStringLiteral("The web console cannot listen on %1 port %2")
                  .arg(settings.address.toString()).arg(settings.port);
        return false;
    }
    m_port = server->serverPort();
    bind(server);
    m_host.setListener(this);
    return true;
}

namespace {

bool webSocketUpgrade(const QHttpServerRequest &request)
{
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

} // namespace

bool WebServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (webSocketUpgrade(request)) {
        // true hands the socket, untouched, to the WebSocket server; a
        // refusal is answered here in plain HTTP and the socket closed.
        const QString why = request.url().path() != QLatin1String("/api/events")
                                ? QStringLiteral("no such page")
                                : handshakeRefusal(request.value("origin"), request.value("host"),
                                                   request.value("cookie"));
        if (why.isEmpty()) {
            m_guard.release(socket);
            return true;
        }
        // false here is what keeps the socket from the WebSocket server;
        // missingHandler then sees the mark and adds no second answer.
        const HttpReply reply = errorReply(why == QLatin1String("log in first") ? 401 : 403, why);
        QHttpServerResponder responder = makeResponder(request, socket);
        responder.write(reply.body, {{"Content-Type", reply.contentType}},
                        QHttpServerResponder::StatusCode(reply.status));
        socket->setProperty(kAnswered, true);
        m_guard.replied(socket);
        return false;
    }
    // A client that does not read its replies holds them all in memory.
    if (socket->bytesToWrite() > kMostUnreadReplyBytes) {
        m_guard.release(socket);
        socket->abort();
        return true;
    }
    HttpRequest r;
    r.method = methodName(request.method());
    r.path = request.url().path();
    r.query = request.query();
    r.headers = request.headers();
    r.body = request.body();
    r.peer = request.remoteAddress().toString();
    const HttpReply reply = m_api->handle(r);
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
    responder.writeHeader("Content-Type", reply.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    for (const auto &h : reply.headers)
        responder.writeHeader(h.first, h.second);
    responder.writeBody(r.method == "HEAD" ? QByteArray() : reply.body);
    m_guard.replied(socket);
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (socket->property(kAnswered).toBool()) {
        socket->disconnectFromHost();
        return;
    }
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
    m_guard.replied(socket);
}

QString WebServer::handshakeRefusal(const QByteArray &origin, const QByteArray &host, const QByteArray &cookie,
                                    QByteArray *token)
{
    // A page of another site may open a WebSocket with the user's cookie;
    // only the console's own pages name its address as their origin.
    const QByteArray expected = (m_https ? "https://" : "http://") + host;
    if (host.isEmpty() || origin != expected)
        return QStringLiteral("foreign origin");
    const Sessions::Session *session = m_api->sessionOf(cookie);
    if (!session)
        return QStringLiteral("log in first");
    if (int(m_clients.size()) >= kMostClients)
        return QStringLiteral("at most %1 clients").arg(kMostClients);
    if (std::count_if(m_clients.begin(), m_clients.end(), [&](const Client &c) { return c.token == session->token; })
        >= kMostClientsPerSession)
        return QStringLiteral("at most %1 pages a session").arg(kMostClientsPerSession);
    if (token)
        *token = session->token;
    return {};
}

void WebServer::acceptWebSockets()
{
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection();
        if (!socket)
            continue;
        QByteArray token;
        const QNetworkRequest &handshake = socket->request();
        const QString why = handshakeRefusal(socket->origin().toUtf8(), handshake.rawHeader("Host"),
                                             handshake.rawHeader("Cookie"), &token);
        QWebSocket *s = socket.release();
        s->setParent(this);
        // The console reads nothing from its clients.
        s->setMaxAllowedIncomingMessageSize(kMostIncomingMessage);
        s->setMaxAllowedIncomingFrameSize(kMostIncomingMessage);
        if (!why.isEmpty()) {
            s->close(QWebSocketProtocol::CloseCodePolicyViolated, why);
            connect(s, &QWebSocket::disconnected, s, &QObject::deleteLater);
            continue;
        }
        m_clients.push_back(Client{s, token});
        connect(s, &QWebSocket::disconnected, this, [this, s] { drop(s); });
        connect(s, &QWebSocket::bytesWritten, this, [this, s](qint64 bytes) {
            for (Client &c : m_clients)
                if (c.socket == s)
                    c.behind = qMax<qint64>(0, c.behind - bytes);
        });
        m_api->setClientCount(clientCount());
        m_lastStatus = statusEvent();
        send(m_clients.back(), QJsonDocument(m_lastStatus).toJson(QJsonDocument::Compact));
    }
}

void WebServer::drop(QWebSocket *socket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(), [&](const Client &c) { return c.socket == socket; });
    if (it == m_clients.end())
        return;
    m_clients.erase(it);
    m_api->setClientCount(clientCount());
    socket->abort();
    socket->deleteLater();
}

void WebServer::send(Client &client, const QByteArray &text)
{
    client.behind += client.socket->sendTextMessage(QString::fromUtf8(text));
}

void WebServer::push(const QJsonObject &event)
{
    if (m_clients.empty())
        return;
    const QByteArray text = QJsonDocument(event).toJson(QJsonDocument::Compact);
    std::vector<QWebSocket *> gone;
    for (Client &c : m_clients) {
        // A session that ended (log-out, user removed) ends its updates; a
        // client that does not read them is dropped before it holds memory
        // or time of the program.
        if (!m_api->sessionOf(WebApi::kCookie + '=' + c.token) || c.behind > kMostBehindBytes)
            gone.push_back(c.socket);
        else
            send(c, text);
    }
    for (QWebSocket *s : gone)
        drop(s);
}

QJsonObject WebServer::statusEvent() const
{
    return web::statusEvent(m_host.status());
}

void WebServer::statusMayHaveChanged()
{
    if (m_clients.empty())
        return;
    const QJsonObject event = statusEvent();
    if (event == m_lastStatus)
        return;
    m_lastStatus = event;
    push(event);
}

void WebServer::chatLine(const QString &line)
{
    push(chatEvent(line));
}

void WebServer::logLine(const QString &entry)
{
    if (m_api)
        m_api->counters().take(entry);
    push(logEvent(entry));
}

} // namespace gavelry::web
