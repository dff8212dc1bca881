#pragma once

#include "app/Options.h"

#include <functional>
#include <optional>

namespace gavelry {

/// Parses argv. On a bad command line prints one line naming the option and
/// returns exit code 2 in exitCode; for --help/--version prints and returns 0.
std::optional<Options> parseCommandLine(int argc, char *argv[], int &exitCode);

class Program;

/// The program's main(): returns the process exit code. afterStart, when
/// given, runs once every window has loaded (the start-up benchmark uses it).
int runMain(int argc, char *argv[], const std::function<void(Program &)> &afterStart = {});

/// The folder of the moderation log for options.
QString logFolder(const Options &options);

/// The configuration folder to use for options.
QString configFolder(const Options &options);
/// The folder of the single-copy lock and the running timed slots: the
/// --state-dir folder, otherwise the settings folder.
QString stateFolder(const Options &options);

} // namespace gavelry
