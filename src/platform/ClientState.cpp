#include "platform/ClientState.h"

#include "platform/ClientLink.h"

namespace gavelry {

void ClientState::requireAnswer() const
{
    if (!m_answering)
        throw ClientError(QStringLiteral("The EchoLink client did not answer"));
}

QString ClientState::localCallsign() const
{
    requireAnswer();
    return m_local;
}

void ClientState::linkUp(const QString &call)
{
    const QString upper = call.toUpper();
    if (upper.isEmpty() || m_links.contains(upper))
        return;
    m_links.append(upper);
    emit linksChanged();
}

void ClientState::linkDown(const QString &call)
{
    if (m_links.removeOne(call.toUpper()))
        emit linksChanged();
}

void ClientState::clearLinks()
{
    if (m_links.isEmpty())
        return;
    m_links.clear();
    emit linksChanged();
}

int ClientState::connectionCount() const
{
    requireAnswer();
    return int(m_links.size());
}

bool ClientState::isConnected(const QString &call) const
{
    requireAnswer();
    return !call.isEmpty() && m_links.contains(call.toUpper());
}

} // namespace gavelry
