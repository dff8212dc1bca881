#pragma once

#include <QObject>
#include <QString>

namespace gavelry {

/// The events of the EchoLink client, declared once: the backends' clients
/// raise them and every window's handle (ClientLink) passes them on. A new
/// event is added here and in forward().
class ClientEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Passes every event `from` raises on to `to`, for as long as both live.
    static void forward(const ClientEvents *from, ClientEvents *to);

signals:
    void connected(const QString &sCallConnected, const QString &sName, const QString &sAddr);
    void RX(bool receiving);
    void DTMFString(const QString &sDigits);
    void StationTextReceived(const QString &sText);
    void ChatTextReceived(const QString &sText);
    void Closing();
    /// The client's station is on the network and can link now: the
    /// EchoLink station raises it each time the directory takes its log-on.
    /// The simulator is on the air from its start and never raises it.
    void onTheAir();
};

} // namespace gavelry
