#include "web/ConnectionGuard.h"

#include <QTcpSocket>

namespace gavelry::web {

ConnectionGuard::ConnectionGuard(QObject *parent) : QObject(parent)
{
    m_clock.start();
    connect(&m_sweep, &QTimer::timeout, this, &ConnectionGuard::sweep);
    setLimits(m_limits);
}

void ConnectionGuard::setLimits(const Limits &limits)
{
    m_limits = limits;
    // One timer for all connections, a few sweeps within the shorter limit.
    m_sweep.setInterval(qBound(20, qMin(limits.requestMs, limits.idleMs) / 4, 1000));
}

bool ConnectionGuard::admit(QTcpSocket *socket)
{
    const QHostAddress peer = socket->peerAddress();
    if (m_sockets.size() >= m_limits.connections || m_perAddress.value(peer) >= m_limits.perAddress) {
        socket->abort();
        return false;
    }
    m_sockets.insert(socket, Watch{socket, peer, 0, m_clock.elapsed(), false});
    ++m_perAddress[peer];
    // Connected first, so this counts what arrived before the HTTP parser
    // takes it into its buffer.
    connect(socket, &QIODevice::readyRead, this, [this, socket] { received(socket); });
    connect(socket, &QObject::destroyed, this, &ConnectionGuard::forget);
    if (!m_sweep.isActive())
        m_sweep.start();
    return true;
}

void ConnectionGuard::replied(QTcpSocket *socket)
{
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    it->inRequest = false;
    it->received = 0;
    it->since = m_clock.elapsed();
}

void ConnectionGuard::release(QTcpSocket *socket)
{
    disconnect(socket, nullptr, this, nullptr);
    forget(socket);
}

void ConnectionGuard::received(QTcpSocket *socket)
{
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    if (!it->inRequest) {
        it->inRequest = true;
        it->received = 0;
        it->since = m_clock.elapsed();
    }
    it->received += socket->bytesAvailable();
    if (it->received <= m_limits.requestBytes)
        return;
    // Too much without a complete request: the parser is not to see it,
    // the client gets a short answer and the connection ends.
    release(socket);
    disconnect(socket, &QIODevice::readyRead, nullptr, nullptr);
    socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        QTimer::singleShot(m_limits.requestMs, socket, &QAbstractSocket::abort);
}

void ConnectionGuard::forget(QObject *socket)
{
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    const auto n = m_perAddress.find(it->peer);
    if (n != m_perAddress.end() && --*n <= 0)
        m_perAddress.erase(n);
    m_sockets.erase(it);
    if (m_sockets.isEmpty())
        m_sweep.stop();
}

void ConnectionGuard::sweep()
{
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket *> late;
    for (const Watch &w : std::as_const(m_sockets))
        if (now - w.since > (w.inRequest ? m_limits.requestMs : m_limits.idleMs))
            late.append(w.socket);
    for (QTcpSocket *s : late) {
        release(s);
        s->abort();
    }
}

} // namespace gavelry::web
