#pragma once

#include "platform/ClientLink.h"
#include "platform/ClientState.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <random>

namespace gavelry {

class Scheduler;
class SimClient;

/// Something at the far end of a link: a conference server, a station.
/// Registered with the client under its callsign; anything linked that has no
/// remote registered comes up but never answers.
class SimRemote : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QString callsign() const = 0;
    /// May the local station link now? (A conference refuses a banned station.)
    virtual bool acceptLink() { return true; }
    virtual QString name() const { return QStringLiteral("Simulated"); }
    virtual QString address() const { return QStringLiteral("127.0.0.2"); }
    virtual void linked() {}
    virtual void unlinked() {}
    /// A chat line the local station sent over the link.
    virtual void chatFromLocal(const QString &text) { Q_UNUSED(text) }
};

/// The simulated EchoLink client: one per run, shared by every window's
/// handle. It keeps the links, records every operation the program makes,
/// and raises the client's events (injected by tests and scenarios or by the
/// simulated remotes).
class SimClient : public ClientEvents {
    Q_OBJECT
public:
    struct Record {
        qint64 ms = 0;
        QString kind; // send, connect-station, disconnect-station, disconnect-all
        QString arg;
        int call = 0; ///< the operation's number, counted from setFailureRate()
    };

    SimClient(Scheduler &scheduler, QString localCallsign, QObject *parent = nullptr);

    Scheduler &scheduler() const { return m_scheduler; }
    void setLocalCallsign(const QString &call);
    /// The local callsign, for the simulation itself (never fails).
    const QString &localStation() const { return m_local; }
    void setLinkDelay(int ms) { m_linkDelay = ms; }
    int linkDelay() const { return m_linkDelay; }
    /// Every operation throws ClientError while failing.
    void setFailing(bool failing);
    /// A share (0 to 1) of the operations (connect, disconnect, send) fails
    /// with ClientError, picked by a random source seeded with seed, so the
    /// same run fails the same calls. A failed call does nothing.
    void setFailureRate(double share, quint32 seed);
    /// Operations called since the failure rate was set, and how many of
    /// them were made to fail.
    int operationsCalled() const { return m_calls; }
    int failuresInjected() const { return int(m_injected.size()); }
    /// The operations made to fail, in order.
    const QList<Record> &injectedFailures() const { return m_injected; }
    /// The text of an injected failure.
    static QString injectedFailureText() { return QStringLiteral("The EchoLink client did not answer (simulated fault)"); }
    void setKeepRecords(bool keep) { m_keepRecords = keep; }
    const QList<Record> &records() const { return m_records; }
    /// The chat lines sent, in order.
    QStringList sentLines() const;
    void clearRecords() { m_records.clear(); }
    void setRecorder(std::function<void(const Record &)> recorder) { m_recorder = std::move(recorder); }

    void addRemote(SimRemote *remote);
    SimRemote *remote(const QString &callsign) const;

    // The client's operations, as the handles call them.
    void connectStation(const QString &callsign);
    void disconnectStation(const QString &callsign);
    void disconnectAll();
    int connectionCount();
    bool isConnected(const QString &callsign);
    QString localCallsign();
    void sendChatText(const QString &text);

    QStringList links() const { return m_state.links(); }
    /// What the program's handles answer their questions from.
    const ClientState &state() const { return m_state; }
    /// The link to callsign is up now (raises connected).
    void linkUp(const QString &callsign);
    /// The link to callsign drops (the far end went away).
    void linkDown(const QString &callsign);

    // Events, raised as the client would.
    void raiseConnected(const QString &call, const QString &name, const QString &addr) { emit connected(call, name, addr); }
    void raiseRX(bool on) { emit RX(on); }
    void raiseDTMF(const QString &digits) { emit DTMFString(digits); }
    void raiseStationText(const QString &text) { emit StationTextReceived(text); }
    void raiseChat(const QString &line) { emit ChatTextReceived(line); }
    void raiseClosing() { emit Closing(); }
    void raiseOnTheAir() { emit onTheAir(); }

signals:
    /// A link came up or went down.
    void linksChanged();

private:
    /// Throws when the client fails this call.
    void check(const QString &kind, const QString &arg = QString());
    void record(const QString &kind, const QString &arg = QString());

    Scheduler &m_scheduler;
    QString m_local;
    int m_linkDelay = 500;
    bool m_failing = false;
    double m_failureRate = 0;
    std::mt19937 m_faults;
    int m_calls = 0;
    QList<Record> m_injected;
    bool m_keepRecords = true;
    ClientState m_state;
    QStringList m_pending;
    QList<Record> m_records;
    std::function<void(const Record &)> m_recorder;
    QHash<QString, QPointer<SimRemote>> m_remotes;
};

/// A window's handle on the simulated client.
class SimClientLink : public ClientLink {
    Q_OBJECT
public:
    explicit SimClientLink(SimClient &client, QObject *parent = nullptr);

    void connectStation(const QString &callsign, bool flag) override;
    void disconnectStation(const QString &callsign) override;
    void disconnectAll() override;
    void sendChatText(const QString &text) override;

private:
    SimClient &m_client;
};

class SimClientFactory : public ClientFactory {
public:
    explicit SimClientFactory(SimClient &client) : m_client(client) {}
    std::unique_ptr<ClientLink> create() override;
    /// Makes create() fail as if no client were installed.
    void setUnavailable(bool unavailable) { m_unavailable = unavailable; }

private:
    SimClient &m_client;
    bool m_unavailable = false;
};

} // namespace gavelry
