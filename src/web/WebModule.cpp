#include "web/WebModule.h"

#include "web/ScriptedConsole.h"
#include "web/UserCommand.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"

namespace gavelry::web {

namespace {

class Module final : public WebModule {
public:
    std::unique_ptr<QObject> start(WebHost &host, const QString &configDir, QString &why) override
    {
        WebSettings settings;
        if (!WebSettings::read(configDir, settings, why) || !settings.enabled)
            return nullptr;
        auto server = std::make_unique<WebServer>(host, configDir);
        if (!server->listen(settings, why))
            return nullptr;
        return server;
    }

    std::unique_ptr<ScriptedConsole> script(WebHost &host, std::function<void(const QByteArray &)> pushed,
                                            QString &why) override
    {
        return openScriptedConsole(host, std::move(pushed), why);
    }
    int users(const QString &action, const QString &name, const QString &role, const QString &configDir) override
    {
        return runUserCommand(action, name, role, configDir);
    }
};

} // namespace

} // namespace gavelry::web

extern "C" Q_DECL_EXPORT gavelry::web::WebModule *gavelry_web_module(int interfaceVersion)
{
    static gavelry::web::Module module;
    return interfaceVersion == gavelry::web::kModuleInterface ? &module : nullptr;
}
