#pragma once

#include "web/WebModule.h"

#include <memory>

namespace gavelry::web {

/// The console without a network: one operator logged in through the API as
/// a browser logs in, its requests handed to WebApi and the pushes a
/// WebSocket client would get handed to a function. Scenario runs drive it
/// on virtual time. Null with why when it cannot be set up.
std::unique_ptr<ScriptedConsole> openScriptedConsole(WebHost &host, std::function<void(const QByteArray &)> pushed,
                                                     QString &why);

} // namespace gavelry::web
