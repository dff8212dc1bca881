#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace gavelry {

/// What the command line asked for.
struct Options {
    QString client = QStringLiteral("sim");
    QString configDir; ///< empty: the platform's per-user folder
    bool headless = false;
    QString scenario;
    QString transcript;
    double speed = 0; ///< 0: as fast as possible
};

/// Parses argv. On a bad command line prints one line naming the option and
/// returns exit code 2 in exitCode; for --help/--version prints and returns 0.
std::optional<Options> parseCommandLine(int argc, char *argv[], int &exitCode);

class Program;

/// The program's main(): returns the process exit code. afterStart, when
/// given, runs once every window has loaded (the start-up benchmark uses it).
int runMain(int argc, char *argv[], const std::function<void(Program &)> &afterStart = {});

/// The configuration folder to use for options.
QString configFolder(const Options &options);

} // namespace gavelry
