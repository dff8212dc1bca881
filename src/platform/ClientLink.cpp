#include "ClientLink.h"

#include "ClientState.h"

namespace gavelry {

ClientLink::ClientLink(const ClientState &state, QObject *parent) : QObject(parent), m_state(state) {}

int ClientLink::connectionCount() const { return m_state.connectionCount(); }

bool ClientLink::isConnected(const QString &callsign) const { return m_state.isConnected(callsign); }

QString ClientLink::localCallsign() const { return m_state.localCallsign(); }

} // namespace gavelry
