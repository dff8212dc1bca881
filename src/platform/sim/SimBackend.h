#pragma once

#include "platform/ClientLink.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"

namespace gavelry {

class Scheduler;

/// The built-in simulator as a run's client: the simulated client beside the
/// lively practice conference, which goes on from the start; the local
/// station is not linked until the operator links it.
class SimBackend : public ClientBackend {
public:
    SimBackend(Scheduler &scheduler, quint32 seed);
    ClientFactory &factory() override { return m_factory; }
    void close() override;

private:
    SimClient m_client;
    SimClientFactory m_factory;
    SimConference m_conference;
    SimLively m_lively;
};

} // namespace gavelry
