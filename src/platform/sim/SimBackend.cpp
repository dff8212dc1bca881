#include "platform/sim/SimBackend.h"

namespace gavelry {

SimBackend::SimBackend(Scheduler &scheduler, quint32 seed)
    : m_client(scheduler, QStringLiteral("N0CALL-L")),
      m_factory(m_client),
      m_conference(m_client, practice::callsign(), practice::password(), practice::password()),
      m_lively(m_conference, seed)
{
    // A practice run may go on for weeks: keep no record of what was sent.
    m_client.setKeepRecords(false);
    m_conference.setKeepReceived(false);
    m_lively.start();
}

void SimBackend::close()
{
    // A client that does not answer still closes.
    try {
        if (!m_client.links().isEmpty())
            m_client.disconnectAll();
    } catch (const ClientError &) {
    }
    m_client.raiseClosing();
}

} // namespace gavelry
