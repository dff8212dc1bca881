#include "app/CommandLine.h"

#include "app/ClientBackends.h"
#include "core/Errors.h"
#include "core/ModerationLog.h"
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "core/Form6.h"
#include "app/Program.h"
#include "app/WebConsole.h"
#include "platform/RealScheduler.h"
#include "platform/SafeFile.h"
#include "scenario/ScenarioRunner.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPointer>
#include <QStandardPaths>
#include <cstdio>

namespace gavelry {

namespace {

void printLine(FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", qPrintable(text));
    std::fflush(to);
}

/// The paces a scenario may run at, in times real time. Slower than a
/// thousandth a run would take months; faster than a million it is no paced
/// run any more (the unpaced run is the fastest one).
constexpr double kSlowestSpeed = 0.001;
constexpr double kFastestSpeed = 1e6;

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Automatic administrator of an EchoLink conference."));
    parser.addOption({QStringLiteral("client"), QStringLiteral("Client backend: sim (built-in conference simulator, default) or echolink."),
                      QStringLiteral("sim|echolink"), QStringLiteral("sim")});
    parser.addOption({QStringLiteral("config-dir"), QStringLiteral("Folder of the settings files."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("headless"), QStringLiteral("Show no window; timers and client events run as usual.")});
    parser.addOption({QStringLiteral("log-dir"), QStringLiteral("Folder of the moderation log."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("log"), QStringLiteral("Print the moderation log's path and exit.")});
    parser.addOption({QStringLiteral("scenario"), QStringLiteral("Run the scenario FILE on virtual time (implies --headless)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("transcript"), QStringLiteral("Write the scenario transcript to FILE (default: standard output)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("state-dir"),
                      QStringLiteral("Folder of the lock and the running timed slots (default: the settings folder)."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("speed"), QStringLiteral("Pace the scenario at N times real time, N from 0.001 to 1000000 "
                                                     "(default: as fast as possible)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("web-user"), QStringLiteral("Manage the web console's users: add NAME --role viewer|operator "
                                                        "(the password from standard input or asked twice), remove NAME, list."),
                      QStringLiteral("add|remove|list")});
    parser.addOption({QStringLiteral("role"), QStringLiteral("The role of the user --web-user adds."), QStringLiteral("viewer|operator")});
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
    parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version.")});
}

/// --web-user ACTION [NAME] [--role ROLE] [--config-dir DIR], and nothing else.
std::optional<Options> webUserOptions(const QCommandLineParser &parser, int &exitCode)
{
    Options o;
    o.webUser = parser.value(QStringLiteral("web-user"));
    o.configDir = parser.value(QStringLiteral("config-dir"));
    o.webRole = parser.value(QStringLiteral("role"));
    const QStringList names = parser.positionalArguments();
    const bool add = o.webUser == QLatin1String("add");
    const bool remove = o.webUser == QLatin1String("remove");
    if (!add && !remove && o.webUser != QLatin1String("list")) {
        printLine(stderr, QStringLiteral("gavelry: --web-user: '%1' is not add, remove or list").arg(o.webUser));
        return std::nullopt;
    }
    if ((add || remove) != (names.size() == 1) || names.size() > 1) {
        printLine(stderr, (add || remove) ? QStringLiteral("gavelry: --web-user %1 needs one user name").arg(o.webUser)
                                          : QStringLiteral("gavelry: --web-user list takes no name"));
        return std::nullopt;
    }
    if (add != parser.isSet(QStringLiteral("role"))) {
        printLine(stderr, add ? QStringLiteral("gavelry: --web-user add needs --role viewer or --role operator")
                              : QStringLiteral("gavelry: --role goes with --web-user add"));
        return std::nullopt;
    }
    for (const char *other : {"client", "headless", "log-dir", "log", "scenario", "transcript", "speed"})
        if (parser.isSet(QLatin1String(other))) {
            printLine(stderr, QStringLiteral("gavelry: --%1 does not go with --web-user").arg(QLatin1String(other)));
            return std::nullopt;
        }
    if (parser.isSet(QStringLiteral("config-dir")) && o.configDir.isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: --config-dir: the folder name is empty"));
        return std::nullopt;
    }
    o.webUserName = names.value(0);
    exitCode = 0;
    return o;
}

} // namespace

std::optional<Options> parseCommandLine(int argc, char *argv[], int &exitCode)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    describe(parser);
    exitCode = 2;
    if (!parser.parse(args)) {
        printLine(stderr, QStringLiteral("gavelry: ") + parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // There is no application object yet to name the program.
        printLine(stdout, parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("gavelry")).trimmed());
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        printLine(stdout, QString::fromLatin1(kProductName) + u' ' + QString::fromLatin1(kVersionText));
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("web-user")))
        return webUserOptions(parser, exitCode);
    if (parser.isSet(QStringLiteral("role"))) {
        printLine(stderr, QStringLiteral("gavelry: --role goes with --web-user add"));
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: unexpected argument '%1'").arg(parser.positionalArguments().first()));
        return std::nullopt;
    }
    Options o;
    o.client = parser.value(QStringLiteral("client"));
    if (o.client != QLatin1String("sim") && o.client != QLatin1String("echolink")) {
        printLine(stderr, QStringLiteral("gavelry: --client: '%1' is not sim or echolink").arg(o.client));
        return std::nullopt;
    }
    o.configDir = parser.value(QStringLiteral("config-dir"));
    if (parser.isSet(QStringLiteral("config-dir")) && o.configDir.isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: --config-dir: the folder name is empty"));
        return std::nullopt;
    }
    o.headless = parser.isSet(QStringLiteral("headless"));
    o.logDir = parser.value(QStringLiteral("log-dir"));
    if (parser.isSet(QStringLiteral("log-dir")) && o.logDir.isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: --log-dir: the folder name is empty"));
        return std::nullopt;
    }
    o.stateDir = parser.value(QStringLiteral("state-dir"));
    if (parser.isSet(QStringLiteral("state-dir")) && o.stateDir.isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: --state-dir: the folder name is empty"));
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("log"))) {
        printLine(stdout, QDir(logFolder(o)).filePath(ModerationLog::kFileName));
        exitCode = 0;
        return std::nullopt;
    }
    o.scenario = parser.value(QStringLiteral("scenario"));
    o.transcript = parser.value(QStringLiteral("transcript"));
    if (parser.isSet(QStringLiteral("speed"))) {
        bool ok = false;
        o.speed = parser.value(QStringLiteral("speed")).toDouble(&ok);
        // NaN fails both comparisons.
        if (!ok || !(o.speed >= kSlowestSpeed && o.speed <= kFastestSpeed)) {
            printLine(stderr, QStringLiteral("gavelry: --speed: '%1' is not a number from %2 to %3")
                                  .arg(parser.value(QStringLiteral("speed")), QString::number(kSlowestSpeed),
                                       QString::number(kFastestSpeed, 'f', 0)));
            return std::nullopt;
        }
    }
    if ((parser.isSet(QStringLiteral("transcript")) || parser.isSet(QStringLiteral("speed")))
        && o.scenario.isEmpty()) {
        printLine(stderr, QStringLiteral("gavelry: --%1 needs --scenario")
                              .arg(parser.isSet(QStringLiteral("transcript")) ? QStringLiteral("transcript")
                                                                              : QStringLiteral("speed")));
        return std::nullopt;
    }
    if (!o.scenario.isEmpty()) {
        // A scenario runs on the simulator and keeps no moderation log: an
        // option that would say otherwise is refused rather than ignored.
        if (parser.isSet(QStringLiteral("log-dir"))) {
            printLine(stderr, QStringLiteral("gavelry: --log-dir: a scenario run keeps no moderation log"));
            return std::nullopt;
        }
        if (parser.isSet(QStringLiteral("state-dir"))) {
            printLine(stderr, QStringLiteral("gavelry: --state-dir: a scenario run keeps its state in its own copy of the settings"));
            return std::nullopt;
        }
        if (o.client != QLatin1String("sim")) {
            printLine(stderr, QStringLiteral("gavelry: --client: a scenario runs on the built-in simulator (sim), not %1")
                                  .arg(o.client));
            return std::nullopt;
        }
        o.headless = true;
    }
    exitCode = 0;
    return o;
}

QString logFolder(const Options &options)
{
    if (!options.logDir.isEmpty())
        return QDir(options.logDir).absolutePath();
    // No application object yet when --log asks: name the folder ourselves.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + u'/' + QString::fromLatin1(kProductName);
}

QString configFolder(const Options &options)
{
    if (!options.configDir.isEmpty())
        return QDir(options.configDir).absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString stateFolder(const Options &options)
{
    if (!options.stateDir.isEmpty())
        return QDir(options.stateDir).absolutePath();
    return configFolder(options);
}

int runMain(int argc, char *argv[], const std::function<void(Program &)> &afterStart)
{
    int exitCode = 0;
    const std::optional<Options> options = parseCommandLine(argc, argv, exitCode);
    if (!options)
        return exitCode;

    if (!options->webUser.isEmpty()) {
        // No window, no settings lock: users can be changed while the program runs.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QString::fromLatin1(kProductName));
        const QString configDir = configFolder(*options);
        QDir().mkpath(configDir);
        return runWebUserCommand(options->webUser, options->webUserName, options->webRole, configDir);
    }

    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if ((options->headless || noDisplay) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No OpenGL context is asked for here: only the web links window's
    // browser uses one, and it is loaded when that window first shows a page.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProductName));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
    QApplication::setStyle(QStringLiteral("Fusion"));

    if (!options->scenario.isEmpty())
        return runScenario(*options);

    // Without a display a modal box would wait, unseen, for an answer that
    // never comes: boxes are written to standard error instead.
    std::unique_ptr<Dialogs> dialogBoxes;
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        dialogBoxes = std::make_unique<ConsoleDialogs>(QString::fromLatin1(kProductName));
    else
        dialogBoxes = std::make_unique<QtDialogs>(QString::fromLatin1(kProductName));
    Dialogs &dialogs = *dialogBoxes;
    const QString configDir = configFolder(*options);
    if (!QDir().mkpath(configDir))
        dialogs.messageBox(QStringLiteral("The settings folder %1 cannot be created; the program runs on its "
                                          "default settings and cannot save them.").arg(configDir),
                           QString::fromLatin1(kProductName), MsgButtons::Ok, MsgIcon::Warning);

    // A system service keeps its settings apart from what it writes for
    // itself (/etc and /var/lib): the lock and the running slots go there.
    const QString stateDir = stateFolder(*options);
    if (stateDir != configDir && !QDir().mkpath(stateDir))
        dialogs.messageBox(QStringLiteral("The state folder %1 cannot be created; the running timed slots cannot be "
                                          "kept for a restart.").arg(stateDir),
                           QString::fromLatin1(kProductName), MsgButtons::Ok, MsgIcon::Warning);

    // Taken over before the state folder is locked: once the lock is there,
    // a stop request is never lost, and a reader of standard error that goes
    // away ends nothing.
    TerminationSignals termination;

    // One copy per settings folder (or per state folder, where one is
    // given), checked before anything is sent or linked.
    SingleInstance instance(stateDir);
    if (!instance.acquire()) {
        QString text = QStringLiteral("Program is already running.");
        if (!instance.holder().isEmpty())
            text += QStringLiteral("\nIt runs as %1.").arg(instance.holder());
        dialogs.messageBox(text, QString::fromLatin1(kProductName));
        return 1;
    }
    // What a save killed half way left behind. Only while the lock is held:
    // a running copy's save in progress is never taken away.
    QStringList leftoverProblems;
    QList<std::pair<QString, QStringList>> leftovers;
    if (instance.holds()) {
        for (const QString &folder : stateDir == configDir ? QStringList{configDir} : QStringList{configDir, stateDir}) {
            const QStringList removed = safefile::removeLeftovers(folder, leftoverProblems);
            if (!removed.isEmpty())
                leftovers.append({folder, removed});
        }
    }

    RealScheduler scheduler;
    QString backendError;
    const std::unique_ptr<ClientBackend> backend = makeClientBackend(options->client, scheduler, configDir, backendError);
    if (!backend) {
        dialogs.messageBox(backendError, QString::fromLatin1(kProductName), MsgButtons::Ok, MsgIcon::Critical);
        return 1;
    }
    DesktopShell shell;
    Program program(scheduler, backend->factory(), dialogs, shell, configDir);
    program.context().stateDir = stateDir;
    program.moderationLog().setEcho(options->headless);
    // What the backend has to say about its network link (a refused
    // directory log-on, a station not found) goes to the status line.
    backend->setStatusReporter([p = QPointer<Program>(&program)](const QString &text) {
        if (p)
            p->context().report(text);
    });
    QString logError;
    if (!instance.problem().isEmpty())
        program.context().report(instance.problem());
    for (const auto &[folder, removed] : leftovers)
        program.context().report(QStringLiteral("Removed what an interrupted save left in %1: %2")
                                     .arg(QDir::toNativeSeparators(folder), removed.join(QStringLiteral(", "))));
    for (const QString &problem : leftoverProblems)
        program.context().report(QStringLiteral("What an interrupted save left behind stays: %1").arg(problem));
    if (!program.moderationLog().setFolder(logFolder(*options), logError))
        program.context().report(QStringLiteral("The moderation log cannot be written: %1").arg(logError));
    QObject::connect(&program, &Program::ended, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    try {
        program.start();
    } catch (const ClientError &e) {
        dialogs.messageBox(QStringLiteral("The EchoLink client could not be reached: %1").arg(QString::fromLocal8Bit(e.what())),
                           QString::fromLatin1(kProductName), MsgButtons::Ok, MsgIcon::Critical);
        return 1;
    }
    if (program.hasEnded())
        return 0;
    // A service manager's stop (SIGTERM) or Ctrl+C ends the program the
    // way the client closing does. One that came during start-up waits in
    // the pipe until the event loop runs.
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &program,
                     [&backend, &program](int) { skipOnError(program.context(), [&] { backend->close(); }); });
    // The web console, when web.ini asks for it; gone before the program.
    const std::unique_ptr<WebConsole> webConsole = WebConsole::start(program, configDir);
    if (!options->headless)
        program.form6().show();
    if (afterStart)
        afterStart(program);
    return app.exec();
}

} // namespace gavelry
