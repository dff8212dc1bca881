#pragma once

#include "platform/ClientLink.h"

#include <QStringList>
#include <memory>

namespace gavelry {

class Scheduler;

/// The client backends this copy was built with, by their --client names.
QStringList availableClientBackends();

/// Builds the backend named on the command line ("sim" or "echolink") on
/// scheduler; configDir is the settings folder (the EchoLink station reads
/// echolink.ini there). Returns null with why in error when that backend is
/// not built into this copy or cannot start.
std::unique_ptr<ClientBackend> makeClientBackend(const QString &name, Scheduler &scheduler, const QString &configDir,
                                                 QString &error);

} // namespace gavelry
