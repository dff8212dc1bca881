#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

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

/// The console without a network, driven by a scenario run on virtual time:
/// one operator logged in, each push a WebSocket client would get handed to
/// pushed as its JSON text (the status at once). It follows program, which
/// must outlive it.
class ScriptedWebConsole {
public:
    /// Null with why when the console cannot be loaded or set up.
    static std::unique_ptr<ScriptedWebConsole> open(Program &program, std::function<void(const QByteArray &)> pushed,
                                                    QString &why);
    virtual ~ScriptedWebConsole() = default;
    /// A request of the operator, as the pages send it: the reply's status and body.
    virtual std::pair<int, QByteArray> request(const QByteArray &method, const QString &path,
                                               const QByteArray &body) = 0;
};

/// gavelry --web-user ACTION [NAME] [--role ROLE]: returns the exit code.
int runWebUserCommand(const QString &action, const QString &name, const QString &role, const QString &configDir);

} // namespace gavelry
