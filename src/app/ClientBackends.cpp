#include "app/ClientBackends.h"

#include "platform/sim/SimBackend.h"
#include "Version.h"

#ifdef GAVELRY_WITH_ECHOLINK
#include "platform/echolink/EchoLinkBackend.h"
#endif

#include <random>

namespace gavelry {

QStringList availableClientBackends()
{
    QStringList names{QStringLiteral("sim")};
#ifdef GAVELRY_WITH_ECHOLINK
    names.append(QStringLiteral("echolink"));
#endif
    return names;
}

std::unique_ptr<ClientBackend> makeClientBackend(const QString &name, Scheduler &scheduler, const QString &configDir,
                                                 QString &error)
{
    Q_UNUSED(configDir)
    if (name == QLatin1String("sim"))
        return std::make_unique<SimBackend>(scheduler, std::random_device{}());
#ifdef GAVELRY_WITH_ECHOLINK
    if (name == QLatin1String("echolink"))
        return makeEchoLinkBackend(configDir, error);
#endif
    error = QStringLiteral("The %1 client is not built into this copy of %2.")
                .arg(name == QLatin1String("echolink") ? QStringLiteral("EchoLink network") : name,
                     QString::fromLatin1(kProductName));
    return nullptr;
}

} // namespace gavelry
