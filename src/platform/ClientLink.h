#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <stdexcept>

namespace gavelry {

/// A call to the client failed (no client, client refused, link layer error).
class ClientError : public std::runtime_error {
public:
    explicit ClientError(const QString &what) : std::runtime_error(what.toStdString()) {}
};

/// One window's handle on the EchoLink client. Every handle of a run talks to
/// the same underlying client and receives all of its events.
class ClientLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ClientLink() override = default;

    virtual void connectStation(const QString &callsign, bool flag = true) = 0;
    virtual void disconnectStation(const QString &callsign) = 0;
    virtual void disconnectAll() = 0;
    virtual int connectionCount() = 0;
    virtual bool isConnected(const QString &callsign) = 0;
    /// station-info, then its local-callsign.
    virtual QString localCallsign() = 0;
    virtual void sendChatText(const QString &text) = 0;
    /// How long a call may wait for a busy client before it fails.
    virtual void setWaits(int milliseconds) { Q_UNUSED(milliseconds) }

signals:
    void connected(const QString &sCallConnected, const QString &sName, const QString &sAddr);
    void RX(bool receiving);
    void DTMFString(const QString &sDigits);
    void StationTextReceived(const QString &sText);
    void ChatTextReceived(const QString &sText);
    void Closing();
};

/// Creates the handles. Throws ClientError when no client can be reached.
class ClientFactory {
public:
    virtual ~ClientFactory() = default;
    virtual std::unique_ptr<ClientLink> create() = 0;
};

} // namespace gavelry
