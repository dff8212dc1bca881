// Starts Gavelry headless on the simulator and exits as soon as every window
// has loaded: what the start-up benchmark times.
#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    return gavelry::runMain(argc, argv, [](gavelry::Program &) {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    });
}
