#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace gavelry::web {

/// Watches the web console's HTTP connections from their first moment: how
/// many there are, in all and from one address, how much a client has sent
/// without a complete request, how long a request takes to arrive and how
/// long a connection sits idle. A connection past a limit is closed.
class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int connections = 128;
        int perAddress = 48;
        /// Bytes a client may send before its request is complete.
        qint64 requestBytes = 128 * 1024;
        /// From a request's first byte until it is complete.
        int requestMs = 15000;
        /// From a reply (or the connection) to the next request's first byte.
        int idleMs = 60000;
    };

    explicit ConnectionGuard(QObject *parent = nullptr);

    const Limits &limits() const { return m_limits; }
    void setLimits(const Limits &limits);

    /// Watches a new connection; false, with the socket closed, when the
    /// caps are reached. Call before anything else connects to its signals.
    bool admit(QTcpSocket *socket);
    /// A reply was written: the count of bytes and the idle time restart.
    void replied(QTcpSocket *socket);
    /// The socket is no longer HTTP (a WebSocket): it is watched no more.
    void release(QTcpSocket *socket);
    int count() const { return int(m_sockets.size()); }

private:
    struct Watch {
        QTcpSocket *socket;
        QHostAddress peer;
        qint64 received = 0;
        qint64 since = 0; // first byte of the request, or the last reply
        bool inRequest = false;
    };

    void received(QTcpSocket *socket);
    void forget(QObject *socket);
    void sweep();

    Limits m_limits;
    QHash<QObject *, Watch> m_sockets;
    QHash<QHostAddress, int> m_perAddress;
    QElapsedTimer m_clock;
    QTimer m_sweep;
};

} // namespace gavelry::web
