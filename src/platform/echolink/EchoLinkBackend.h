#pragma once

// The EchoLink network as a run's client (--client echolink): a station of
// its own on the network through libecholib, whose loop runs in its own
// thread (EchoLinkStation). Operations go to that thread through a command
// queue and return at once; its events come back as queued calls on the
// GUI thread, where they update the client state the windows' questions are
// answered from and are raised on every handle.
//
// connect-station takes a callsign, looked up in the EchoLink directory, or
// a private server by address: "a.b.c.d" or "NAME@a.b.c.d" with a dotted
// IPv4 address (see ConnectTarget.h).

#include "platform/ClientLink.h"

#include <QString>
#include <memory>

namespace gavelry {

class Scheduler;

/// Reads echolink.ini from configDir and starts the station. Returns null
/// with one message for the operator in error when the settings are
/// missing or unusable or the UDP ports cannot be opened.
std::unique_ptr<ClientBackend> makeEchoLinkBackend(const QString &configDir, QString &error);

} // namespace gavelry
