#pragma once

#include <QString>

#include <memory>

namespace gavelry {

class Program;

/// The seam between the program and its web console. The console is a
/// module (gavelry-web) opened only when the settings folder's web.ini
/// turns it on; with the console off nothing of it is loaded.
class WebConsole {
public:
    /// Starts the console for program when web.ini asks for it; null when
    /// it is off or cannot start (the status line and log then say why).
    static std::unique_ptr<WebConsole> start(Program &program, const QString &configDir);
    virtual ~WebConsole() = default;
};

/// gavelry --web-user ACTION [NAME] [--role ROLE]: returns the exit code.
int runWebUserCommand(const QString &action, const QString &name, const QString &role, const QString &configDir);

} // namespace gavelry
