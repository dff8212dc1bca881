#pragma once

// The web console as the program loads it: a module (gavelry-web.so) with one
// entry point. The program opens it only when web.ini asks for the console,
// or for the --web-user commands, so a program without a console has nothing
// of it (nor of the HTTP, WebSocket and hashing libraries) in memory.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace gavelry::web {

class WebHost;

/// Raised whenever this interface or WebHost changes: a module of another
/// build refuses to start instead of calling through a vtable it does not share.
constexpr int kModuleInterface = 1;

/// The entry point's name; it takes kModuleInterface and returns the module,
/// or null when the interfaces differ.
constexpr const char *kModuleEntry = "gavelry_web_module";

class WebModule {
public:
    virtual ~WebModule() = default;
    /// Starts the console as configDir's web.ini says, working on host (which
    /// must outlive the returned object). Null when the console is off (why
    /// empty) or cannot start (why says so).
    virtual std::unique_ptr<QObject> start(WebHost &host, const QString &configDir, QString &why) = 0;
    /// gavelry --web-user ACTION [NAME] [--role ROLE]: returns the exit code.
    virtual int users(const QString &action, const QString &name, const QString &role, const QString &configDir) = 0;
};

using ModuleEntry = WebModule *(*)(int interfaceVersion);

} // namespace gavelry::web
