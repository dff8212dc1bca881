// The floor of the start-up benchmarks: a bare Qt application that shows one
// empty main window and exits, or with --stay keeps it open until ended.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(400, 560);
    window.show();
    if (!app.arguments().contains(QStringLiteral("--stay")))
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
