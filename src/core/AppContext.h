#pragma once

#include <QString>
#include <functional>

namespace gavelry {

class Scheduler;
class ClientFactory;
class Dialogs;
class Shell;
class WindowRegistry;
class ModerationLog;
class OwnSettings;

/// What every window and behaviour class is given at construction: the
/// outside world (time, client, dialogs, shell, configuration folder), the
/// registry of windows, and the two ways out (ending the program, reporting a
/// failure to the operator).
struct AppContext {
    Scheduler &scheduler;
    ClientFactory &clients;
    Dialogs &dialogs;
    Shell &shell;
    WindowRegistry &windows;
    QString configDir;
    /// Ends the program at once (Exit, Yes to the quit question, the client closing).
    std::function<void()> endProgram;
    /// Shows a failure in the main window's status line (and the log).
    std::function<void(const QString &)> reportError;
    /// Where the commands and notices sent, and their causes, are kept.
    ModerationLog *log = nullptr;
    /// The folder of what the program writes for itself to take up after a
    /// restart (the running timed slots); empty: the configuration folder.
    QString stateDir{};

    const QString &stateFolder() const { return stateDir.isEmpty() ? configDir : stateDir; }
    /// gavelry.ini: the stations trusted with the remote switches, each
    /// profile's notice form. Null: the defaults.
    const OwnSettings *ownSettings = nullptr;

    void report(const QString &what) const
    {
        if (reportError)
            reportError(what);
    }
};

} // namespace gavelry
