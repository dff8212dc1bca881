#pragma once

#include "web/ConnectionGuard.h"
#include "web/UserStore.h"
#include "web/WebApi.h"
#include "web/WebHost.h"

#include <QAbstractHttpServer>
#include <QJsonObject>

#include <memory>
#include <vector>

class QWebSocket;

namespace gavelry::web {

struct WebSettings;

/// The web console's server: HTTP (or HTTPS only, when web.ini names a
/// certificate and key) answered by WebApi, and the live updates at
/// /api/events as a WebSocket that pushes one JSON object a change.
class WebServer : public QAbstractHttpServer, private WebListener {
    Q_OBJECT
public:
    static constexpr int kMostClients = 32;
    /// Pages one session may have following at once: one user cannot take every place.
    static constexpr int kMostClientsPerSession = 4;
    /// A client this far behind in reading its pushes is dropped.
    static constexpr qint64 kMostBehindBytes = 1024 * 1024;
    /// An HTTP client this far behind in reading its replies is cut off.
    static constexpr qint64 kMostUnreadReplyBytes = 1024 * 1024;
    /// A WebSocket client's message or frame over this is not read.
    static constexpr qint64 kMostIncomingMessage = 4096;

    WebServer(WebHost &host, const QString &configDir, UserStore::Cost cost = UserStore::Cost::Interactive,
              QObject *parent = nullptr);
    ~WebServer() override;

    /// Starts listening as settings say. False with why when the address
    /// cannot be taken or the certificate or key cannot be read.
    bool listen(const WebSettings &settings, QString &why);
    quint16 port() const { return m_port; }
    int clientCount() const { return int(m_clients.size()); }
    /// The HTTP connections' limits, for a test to shrink.
    ConnectionGuard &guard() { return m_guard; }

private:
    struct Client {
        QWebSocket *socket;
        QByteArray token;
        qint64 behind = 0;
    };

    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

    void statusMayHaveChanged() override;
    void chatLine(const QString &line) override;
    void logLine(const QString &entry) override;

    void acceptWebSockets();
    /// Why a WebSocket hand-shake may not follow the console (a foreign
    /// origin, no session, too many clients); empty, with the session's
    /// token, when it may.
    QString handshakeRefusal(const QByteArray &origin, const QByteArray &host, const QByteArray &cookie,
                             QByteArray *token = nullptr);
    void push(const QJsonObject &event);
    void send(Client &client, const QByteArray &text);
    void drop(QWebSocket *socket);
    QJsonObject statusEvent() const;

    WebHost &m_host;
    ConnectionGuard m_guard;
    UserStore m_users;
    std::unique_ptr<WebApi> m_api;
    bool m_https = false;
    quint16 m_port = 0;
    std::vector<Client> m_clients;
    QJsonObject m_lastStatus;
};

} // namespace gavelry::web
