// A stand-in for the program in tests that need a real process to kill:
//   settings_helper save FILE FIRST   says "saving", then saves versions
//                                     FIRST, FIRST+1, ... of FILE for ever
//   settings_helper lock FOLDER       takes the folder's single-copy lock,
//                                     says "held", "running" or "unlocked:
//                                     WHY", and holds it until killed

#include "platform/ProfileIni.h"
#include "SaveVersions.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("save")) {
        // Said once the process is up, so that a kill can be aimed at the
        // saves rather than at start-up (slow under a sanitizer).
        std::printf("saving\n");
        std::fflush(stdout);
        for (qint64 k = args[3].toLongLong();; ++k) {
            gavelry::ProfileIni ini(args[2]);
            gavelry::test::setVersion(ini, k);
            if (!ini.save()) {
                std::fprintf(stderr, "%s\n", qPrintable(ini.error()));
                return 1;
            }
        }
    }
    if (args.size() == 3 && args[1] == QLatin1String("lock")) {
        gavelry::SingleInstance instance(args[2]);
        if (!instance.acquire()) {
            std::printf("running\n");
            return 0;
        }
        if (instance.holds())
            std::printf("held\n");
        else
            std::printf("unlocked: %s\n", qPrintable(instance.problem()));
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    std::fprintf(stderr, "usage: settings_helper save FILE FIRST | lock FOLDER\n");
    return 2;
}
