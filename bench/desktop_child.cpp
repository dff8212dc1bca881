// Gavelry as the desktop benchmark runs it: the real program on the
// simulator with its main window shown. GAVELRY_BENCH_SHOW_ALL=1 shows every
// window as well (the idle measurement); GAVELRY_BENCH_WEB_AFTER_MS=N shows
// the web links window N ms after start-up with the page in
// GAVELRY_BENCH_PAGE.
#include "app/CommandLine.h"
#include "util/Form99.h"
#include "app/Program.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>

int main(int argc, char *argv[])
{
    return gavelry::runMain(argc, argv, [](gavelry::Program &program) {
        if (qEnvironmentVariable("GAVELRY_BENCH_SHOW_ALL") == QLatin1String("1"))
            for (gavelry::Window *w : program.windows().all())
                w->showWindow();
        bool ok = false;
        const int webAfter = qEnvironmentVariableIntValue("GAVELRY_BENCH_WEB_AFTER_MS", &ok);
        if (ok)
            QTimer::singleShot(webAfter, &program, [&program] {
                program.form99().showWindow();
                program.form99().browse(qEnvironmentVariable("GAVELRY_BENCH_PAGE"));
                // GAVELRY_BENCH_GRAB=FILE: a picture of the window 5 s later,
                // to see that the page is really shown.
                const QString grab = qEnvironmentVariable("GAVELRY_BENCH_GRAB");
                if (!grab.isEmpty())
                    QTimer::singleShot(5000, &program, [&program, grab] { program.form99().grab().save(grab); });
            });
    });
}
