#include "platform/ClientLink.h"

#include "platform/ClientState.h"

namespace gavelry {

ClientLink::ClientLink(const ClientState &state, QObject *parent) : ClientEvents(parent), m_state(state) {}

int ClientLink::connectionCount() const { return m_state.connectionCount(); }

bool ClientLink::isConnected(const QString &callsign) const { return m_state.isConnected(callsign); }

QString ClientLink::localCallsign() const { return m_state.localCallsign(); }

void ClientBackend::setStatusReporter(std::function<void(const QString &)> reporter)
{
    m_reporter = std::move(reporter);
    if (!m_reporter)
        return;
    const QStringList early = std::exchange(m_early, {});
    for (const QString &text : early)
        m_reporter(text);
}

void ClientBackend::reportStatus(const QString &text)
{
    if (m_reporter) {
        m_reporter(text);
        return;
    }
    m_early.append(text);
    while (m_early.size() > 8)
        m_early.removeFirst();
}

} // namespace gavelry
