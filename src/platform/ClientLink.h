#pragma once

#include "platform/ClientEvents.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>

namespace gavelry {

/// A call to the client failed (no client, client refused, link layer error).
class ClientError : public std::runtime_error {
public:
    explicit ClientError(const QString &what) : std::runtime_error(what.toStdString()) {}
};

class ClientState;

/// How long a call may wait for a busy client before it fails: a quarter of
/// an hour, so that a client busy with its own dialogs is waited for.
inline constexpr int kSlowClientWaitMs = 900000;

/// One window's handle on the EchoLink client. Every handle of a run talks to
/// the same underlying client and receives all of its events (ClientEvents).
///
/// The operations go to the backend; the questions (connection count, is a
/// station linked, the local callsign) are answered from the client state the
/// backend keeps on this thread, so that asking never waits on the network.
class ClientLink : public ClientEvents {
    Q_OBJECT
public:
    explicit ClientLink(const ClientState &state, QObject *parent = nullptr);
    ~ClientLink() override = default;

    virtual void connectStation(const QString &callsign, bool flag = true) = 0;
    virtual void disconnectStation(const QString &callsign) = 0;
    virtual void disconnectAll() = 0;
    virtual void sendChatText(const QString &text) = 0;
    /// How long a call may wait for a busy client before it fails.
    virtual void setWaits(int milliseconds) { Q_UNUSED(milliseconds) }

    int connectionCount() const;
    bool isConnected(const QString &callsign) const;
    /// station-info, then its local-callsign.
    QString localCallsign() const;

protected:
    const ClientState &state() const { return m_state; }

private:
    const ClientState &m_state;
};

/// Creates the handles. Throws ClientError when no client can be reached.
class ClientFactory {
public:
    virtual ~ClientFactory() = default;
    virtual std::unique_ptr<ClientLink> create() = 0;
};

/// What one run talks to: the built-in simulator or the EchoLink network. It
/// owns the client and its state and lives as long as the program.
class ClientBackend {
public:
    virtual ~ClientBackend() = default;
    /// Hands out the windows' handles.
    virtual ClientFactory &factory() = 0;
    /// The program is asked to end from outside (SIGTERM, Ctrl+C): the
    /// backend drops its links and logs off, then closes as the client does
    /// when it goes away, so every window ends the way it ends then.
    virtual void close() = 0;

    /// Where the backend reports what the operator should know about its
    /// link to the network (a directory that refuses the log-on or does not
    /// answer, a station that cannot be found): the main window's status
    /// line. Reports made before a reporter is set are kept (the last few)
    /// and handed over when it is.
    void setStatusReporter(std::function<void(const QString &)> reporter);

protected:
    void reportStatus(const QString &text);

private:
    std::function<void(const QString &)> m_reporter;
    QStringList m_early;
};

} // namespace gavelry
