#include "platform/sim/SimClient.h"

#include "platform/Scheduler.h"

#include <algorithm>

namespace gavelry {

SimClient::SimClient(Scheduler &scheduler, QString localCallsign, QObject *parent)
    : ClientEvents(parent), m_scheduler(scheduler), m_local(std::move(localCallsign))
{
    m_state.setLocalCallsign(m_local);
    connect(&m_state, &ClientState::linksChanged, this, &SimClient::linksChanged);
}

void SimClient::setLocalCallsign(const QString &call)
{
    m_local = call;
    m_state.setLocalCallsign(call);
}

void SimClient::setFailing(bool failing)
{
    m_failing = failing;
    m_state.setAnswering(!failing);
}

QStringList SimClient::sentLines() const
{
    QStringList lines;
    for (const Record &r : m_records)
        if (r.kind == QLatin1String("send"))
            lines.append(r.arg);
    return lines;
}

void SimClient::addRemote(SimRemote *remote)
{
    m_remotes.insert(remote->callsign().toUpper(), remote);
}

SimRemote *SimClient::remote(const QString &callsign) const
{
    return m_remotes.value(callsign.toUpper()).data();
}

void SimClient::setFailureRate(double share, quint32 seed)
{
    m_failureRate = std::clamp(share, 0.0, 1.0);
    m_faults.seed(seed);
    m_calls = 0;
    m_injected.clear();
}

void SimClient::check(const QString &kind, const QString &arg)
{
    if (m_failing)
        throw ClientError(QStringLiteral("The EchoLink client did not answer"));
    ++m_calls;
    if (m_failureRate > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_faults) < m_failureRate) {
        m_injected.append({m_scheduler.elapsedMs(), kind, arg, m_calls});
        throw ClientError(injectedFailureText());
    }
}

void SimClient::record(const QString &kind, const QString &arg)
{
    Record r{m_scheduler.elapsedMs(), kind, arg, m_calls};
    if (m_recorder)
        m_recorder(r);
    if (m_keepRecords)
        m_records.append(r);
}

void SimClient::connectStation(const QString &callsign)
{
    check(QStringLiteral("connect-station"), callsign);
    record(QStringLiteral("connect-station"), callsign);
    const QString call = callsign.toUpper();
    if (call.isEmpty() || m_state.links().contains(call) || m_pending.contains(call))
        return;
    m_pending.append(call);
    m_scheduler.callAfter(m_linkDelay, this, [this, call] {
        if (!m_pending.removeOne(call))
            return; // given up before it came up
        SimRemote *far = remote(call);
        if (far && !far->acceptLink())
            return;
        linkUp(call);
    });
}

void SimClient::disconnectStation(const QString &callsign)
{
    check(QStringLiteral("disconnect-station"), callsign);
    record(QStringLiteral("disconnect-station"), callsign);
    const QString call = callsign.toUpper();
    m_pending.removeAll(call);
    linkDown(call);
}

void SimClient::disconnectAll()
{
    check(QStringLiteral("disconnect-all"));
    record(QStringLiteral("disconnect-all"));
    m_pending.clear();
    const QStringList all = m_state.links();
    for (const QString &call : all)
        linkDown(call);
}

int SimClient::connectionCount() { return m_state.connectionCount(); }

bool SimClient::isConnected(const QString &callsign) { return m_state.isConnected(callsign); }

QString SimClient::localCallsign() { return m_state.localCallsign(); }

void SimClient::sendChatText(const QString &text)
{
    check(QStringLiteral("send"), text);
    record(QStringLiteral("send"), text);
    const QStringList links = m_state.links();
    for (const QString &call : links)
        if (SimRemote *far = remote(call))
            far->chatFromLocal(text);
}

void SimClient::linkUp(const QString &callsign)
{
    const QString call = callsign.toUpper();
    if (m_state.links().contains(call))
        return;
    m_state.linkUp(call);
    SimRemote *far = remote(call);
    emit connected(call, far ? far->name() : QStringLiteral("Station"),
                   far ? far->address() : QStringLiteral("127.0.0.3"));
    if (far)
        far->linked();
}

void SimClient::linkDown(const QString &callsign)
{
    const QString call = callsign.toUpper();
    if (!m_state.links().contains(call))
        return;
    m_state.linkDown(call);
    if (SimRemote *far = remote(call))
        far->unlinked();
}

SimClientLink::SimClientLink(SimClient &client, QObject *parent) : ClientLink(client.state(), parent), m_client(client)
{
    forward(&client, this);
}

void SimClientLink::connectStation(const QString &callsign, bool) { m_client.connectStation(callsign); }
void SimClientLink::disconnectStation(const QString &callsign) { m_client.disconnectStation(callsign); }
void SimClientLink::disconnectAll() { m_client.disconnectAll(); }
void SimClientLink::sendChatText(const QString &text) { m_client.sendChatText(text); }

std::unique_ptr<ClientLink> SimClientFactory::create()
{
    if (m_unavailable)
        throw ClientError(QStringLiteral("No EchoLink client is available"));
    return std::make_unique<SimClientLink>(m_client);
}

} // namespace gavelry
