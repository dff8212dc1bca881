#include "SimBackend.h"

namespace gavelry {

SimBackend::SimBackend(Scheduler &scheduler, quint32 seed)
    : m_client(scheduler, QStringLiteral("N0CALL-L")),
      m_factory(m_client),
      m_conference(m_client, practice::callsign(), practice::password(), practice::password()),
      m_lively(m_conference, seed)
{
    m_lively.start();
}

} // namespace gavelry
