#pragma once

// The web console as the program loads it: a module (gavelry-web.so) with one
// entry point. The program opens it only when web.ini asks for the console,
// for the --web-user commands, or for a scenario run that drives it, so a program without a console has nothing
// of it (nor of the HTTP, WebSocket and hashing libraries) in memory.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

namespace gavelry::web {

class WebHost;

/// Raised whenever this interface or WebHost changes: a module of another
/// build refuses to start instead of calling through a vtable it does not share.
constexpr int kModuleInterface = 2;

/// The entry point's name; it takes kModuleInterface and returns the module,
/// or null when the interfaces differ.
constexpr const char *kModuleEntry = "gavelry_web_module";

/// A console that serves no address, with one operator logged in: scenario
/// runs drive it on virtual time.
class ScriptedConsole {
public:
    virtual ~ScriptedConsole() = default;
    /// A request of the operator as the pages send it (its session cookie
    /// and CSRF token with it; path may carry a query): the reply's status
    /// and body.
    virtual std::pair<int, QByteArray> request(const QByteArray &method, const QString &path,
                                               const QByteArray &body) = 0;
};

class WebModule {
public:
    virtual ~WebModule() = default;
    /// Starts the console as configDir's web.ini says, working on host (which
    /// must outlive the returned object). Null when the console is off (why
    /// empty) or cannot start (why says so).
    virtual std::unique_ptr<QObject> start(WebHost &host, const QString &configDir, QString &why) = 0;
    /// The console on host without a network (see ScriptedConsole); each
    /// push a WebSocket client would get goes to pushed as its JSON text,
    /// the status at once. Null with why when it cannot be set up.
    virtual std::unique_ptr<ScriptedConsole> script(WebHost &host, std::function<void(const QByteArray &)> pushed,
                                                    QString &why) = 0;
    /// gavelry --web-user ACTION [NAME] [--role ROLE]: returns the exit code.
    virtual int users(const QString &action, const QString &name, const QString &role, const QString &configDir) = 0;
};

using ModuleEntry = WebModule *(*)(int interfaceVersion);

} // namespace gavelry::web
