// The gavelry command line, run as the operator runs it: each bad option or
// value is refused with one line that names it and exit code 2; --help and
// --version answer and end; a copy without a display never waits on a box
// that nobody can see.

#include "Version.h"

#include <QFile>
#include <QLockFile>
#include <QThread>

#include <csignal>
#include <sys/resource.h>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(gavelry::kVersionText);

struct Result {
    int code = -1;
    QString out;
    QString err;
};

/// Runs gavelry. With fileSizeLimit, every file it writes (standard output
/// too, when stdoutFile names one) ends at that many bytes: a write past it
/// fails as on a full disk, for root as for anyone.
Result run(const QStringList &args, rlim_t fileSizeLimit = RLIM_INFINITY, const QString &stdoutFile = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.warning=false"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    if (fileSizeLimit != RLIM_INFINITY) {
        p.setChildProcessModifier([fileSizeLimit] {
            // Ignored, the signal leaves the failing write to report EFBIG.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    p.start(QStringLiteral(GAVELRY_EXE), args);
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString writeScenario(const QTemporaryDir &dir, const QString &name, const QString &text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) != text.toUtf8().size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    // A service manager stops the bot with SIGTERM, a terminal with Ctrl+C:
    // either ends it the way the client closing does, with exit code 0.
    // SIGHUP (the terminal going away) is a stop as well; a SIGPIPE (a
    // reader of standard error that went away) ends nothing.
    void stopSignalsEndTheProgramCleanly_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("before"); // sent first, ends nothing; 0: none
        QTest::newRow("SIGTERM") << int(SIGTERM) << 0;
        QTest::newRow("SIGINT") << int(SIGINT) << 0;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 0;
        QTest::newRow("SIGPIPE, then SIGTERM") << int(SIGTERM) << int(SIGPIPE);
    }
    void stopSignalsEndTheProgramCleanly()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, before);
        QTemporaryDir config;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.warning=false"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(GAVELRY_EXE), {"--headless", "--config-dir", config.path(), "--log-dir", config.path()});
        QVERIFY(p.waitForStarted());
        // The settings folder's lock shows the program is past taking over the signals.
        const QString lock = config.filePath(QStringLiteral("gavelry.lock"));
        for (int i = 0; i < 600 && !QFile::exists(lock) && p.state() == QProcess::Running; ++i)
            QThread::msleep(50);
        QVERIFY(QFile::exists(lock));
        // A pending signal of a lower number is delivered first.
        if (before)
            ::kill(pid_t(p.processId()), before);
        ::kill(pid_t(p.processId()), signalNumber);
        QVERIFY(p.waitForFinished(-1));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        // The clean end: the web links window wrote its addresses.
        QVERIFY(QFile::exists(config.filePath(QStringLiteral("zurazod2.ini"))));
    }

    // A system service keeps its settings in one folder and its lock and
    // running timed slots in another (--state-dir): the slots are read
    // from and written to the state folder, the lock there keeps a second
    // copy out, and the settings folder gets neither.
    void stateFolderHoldsLockAndSlots()
    {
        QTemporaryDir config, state, log, otherConfig;
        {
            QFile seed(state.filePath(QStringLiteral("timedslots.json")));
            QVERIFY(seed.open(QIODevice::WriteOnly));
            seed.write(R"({"slots":[{"slot":1,"kind":"unmute","call":"W1AW","due":"2020-01-01T00:00:00+01:00"}]})");
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setReadChannel(QProcess::StandardError);
        p.start(QStringLiteral(GAVELRY_EXE), {"--headless", "--config-dir", config.path(), "--state-dir", state.path(),
                                              "--log-dir", log.path()});
        QVERIFY(p.waitForStarted());
        // The slot ran out while the program was down: its release is logged
        // once the slots are read back.
        QByteArray err;
        while (!err.contains("timed un-mute slot 1 ran out") && p.waitForReadyRead(-1))
            err += p.readAllStandardError();
        QVERIFY2(err.contains("W1AW"), err.constData());
        const Result second = run({"--headless", "--config-dir", otherConfig.path(), "--state-dir", state.path()});
        QCOMPARE(second.code, 1);
        QVERIFY2(second.err.contains("Program is already running."), qPrintable(second.err));
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(-1));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFile::exists(state.filePath(QStringLiteral("gavelry.lock"))));
        QFile written(state.filePath(QStringLiteral("timedslots.json")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        // Written again by the program, in its own form (the moment in UTC).
        QVERIFY2(written.readAll().contains("\"due\": \"2019-12-31T23:00:00Z\""), "timedslots.json not rewritten");
        for (const char *name : {"gavelry.lock", "timedslots.json"})
            QVERIFY2(!QFile::exists(config.filePath(QString::fromLatin1(name))), name);
    }

    void badOptionsNameThemselves_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "bogus";
        QTest::newRow("unknown short option") << QStringList{"-x"} << "'x'";
        QTest::newRow("client missing value") << QStringList{"--client"} << "--client";
        QTest::newRow("client unknown") << QStringList{"--client", "radio"} << "--client";
        QTest::newRow("config dir empty") << QStringList{"--config-dir="} << "--config-dir";
        QTest::newRow("speed zero") << QStringList{"--scenario", "x.scn", "--speed", "0"} << "--speed";
        QTest::newRow("speed not a number") << QStringList{"--scenario", "x.scn", "--speed", "nan"} << "--speed";
        QTest::newRow("speed endless") << QStringList{"--scenario", "x.scn", "--speed", "inf"} << "--speed";
        QTest::newRow("speed tiny") << QStringList{"--scenario", "x.scn", "--speed", "1e-17"} << "--speed: '1e-17'";
        QTest::newRow("speed below the slowest") << QStringList{"--scenario", "x.scn", "--speed", "0.0009"} << "--speed";
        QTest::newRow("speed huge") << QStringList{"--scenario", "x.scn", "--speed", "1e300"} << "--speed";
        QTest::newRow("speed above the fastest") << QStringList{"--scenario", "x.scn", "--speed", "1000001"} << "--speed";
        QTest::newRow("speed negative") << QStringList{"--scenario", "x.scn", "--speed", "-2"} << "--speed";
        QTest::newRow("speed negative endless") << QStringList{"--scenario", "x.scn", "--speed", "-inf"} << "--speed";
        QTest::newRow("transcript alone") << QStringList{"--transcript", "t.txt"} << "--transcript";
        QTest::newRow("speed alone") << QStringList{"--speed", "5"} << "--speed";
        QTest::newRow("stray argument") << QStringList{"extra"} << "extra";
        QTest::newRow("log folder with a scenario") << QStringList{"--scenario", "x.scn", "--log-dir", "logs"}
                                                    << "--log-dir";
        QTest::newRow("state dir empty") << QStringList{"--state-dir="} << "--state-dir";
        QTest::newRow("state folder with a scenario") << QStringList{"--scenario", "x.scn", "--state-dir", "state"}
                                                      << "--state-dir";
        QTest::newRow("network client with a scenario") << QStringList{"--client", "echolink", "--scenario", "x.scn"}
                                                        << "--client";
    }
    void badOptionsNameThemselves()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const Result r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.endsWith(u'\n') && r.err.count(u'\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }

    // Paces at the ends of the range run; the scenario waits a virtual
    // second, so even the slowest takes no time worth speaking of.
    void speedsInRangeRun_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("scenario");
        QTest::newRow("fastest") << "1000000" << "start\nwait 1s\nend\n";
        QTest::newRow("slowest") << "0.001" << "start\nwait 1ms\nend\n";
        QTest::newRow("real time") << "1" << "start\nwait 10ms\nend\n";
    }
    void speedsInRangeRun()
    {
        QFETCH(QString, speed);
        QFETCH(QString, scenario);
        QTemporaryDir dir;
        const QString file = writeScenario(dir, QStringLiteral("paced.scn"), scenario);
        const Result r = run({"--scenario", file, "--speed", speed});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("exit"), qPrintable(r.out));
    }

    // A scenario's messages name its file and line, whatever the file's
    // name holds; "%1" to "%3" in it stay as they are.
    void scenarioMessagesNameFileAndLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("error of the file, %3") << "bad%3.scn" << "start\nbogus\n" << 2 << ":2: unknown statement 'bogus'";
        QTest::newRow("error of the file, %1") << "%1.scn" << "start\nbogus\n" << 2 << ":2: unknown statement 'bogus'";
        QTest::newRow("error of the file, %2%1") << "x%2%1.scn" << "start\n\nbogus\n" << 2
                                                 << ":3: unknown statement 'bogus'";
        QTest::newRow("unknown control, %3") << "c%3.scn" << "start\nclick Form6.Nothing9\n" << 2
                                             << ":2: unknown control 'Form6.Nothing9'";
        QTest::newRow("expect failed, %2") << "e%2.scn" << "start\nexpect \"%1 never\"\nend\n" << 1
                                           << ":2: expect \"%1 never\" failed";
        QTest::newRow("expect-no failed, %1") << "n%1.scn" << "expect-no \"exit\"\nstart\nend\n" << 1
                                              << ":1: expect-no \"exit\" failed: the transcript line";
        QTest::newRow("wait past the longest run, %3") << "w%3.scn" << "start\nwait 999999999h\n" << 2
                                                       << ":2: this wait would take the run past its longest";
        // Settings lines are written together, file by file; what they say
        // still comes in the order of the lines.
        const QString tooLarge = QStringLiteral(" \"%1\"\n").arg(QString(1100 * 1000, u'x'));
        QTest::newRow("settings too large, %1") << "i%1.scn"
                                                << "ini a.ini A \"1\"\nini b.ini B" + tooLarge + "ini a.ini C" + tooLarge << 0
                                                << ":2: Cannot write";
    }
    void scenarioMessagesNameFileAndLine()
    {
        QFETCH(QString, name);
        QFETCH(QString, scenario);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = writeScenario(dir, name, scenario);
        const Result r = run({"--scenario", file, "--transcript", dir.filePath("t.txt")});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.startsWith(file + message), qPrintable(r.err));
    }

    // Usage errors of a scenario run end with code 2 and run nothing.
    void scenarioUsageErrors_data()
    {
        QTest::addColumn<QString>("configDir"); // relative to a fresh folder
        QTest::addColumn<QString>("named");
        QTest::newRow("missing settings folder") << "missing" << "--config-dir";
        QTest::newRow("settings folder is a file") << "paced.scn" << "--config-dir";
    }
    void scenarioUsageErrors()
    {
        QFETCH(QString, configDir);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString file = writeScenario(dir, QStringLiteral("paced.scn"), QStringLiteral("start\nend\n"));
        const Result r = run({"--scenario", file, "--config-dir", dir.filePath(configDir)});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }

    // A transcript that cannot be written whole fails the run with one line
    // naming where it was going; one that cannot even be made is a usage
    // error.
    void unwritableTranscriptFailsTheRun_data()
    {
        QTest::addColumn<QString>("transcript"); // relative to a fresh folder; empty: standard output
        QTest::addColumn<bool>("stdoutToFile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("named");
        QTest::newRow("file cut short") << "t.txt" << false << 1 << "t.txt: the transcript cannot be written";
        QTest::newRow("standard output cut short") << "" << true << 1
                                                   << "standard output: the transcript cannot be written";
        QTest::newRow("file inside a file") << "run.scn/t.txt" << false << 2 << "t.txt: the transcript cannot be written";
    }
    void unwritableTranscriptFailsTheRun()
    {
        QFETCH(QString, transcript);
        QFETCH(bool, stdoutToFile);
        QFETCH(int, code);
        QFETCH(QString, named);
        QTemporaryDir dir;
        // Far more transcript than the files may hold.
        const QString file = writeScenario(dir, QStringLiteral("run.scn"),
                                           QStringLiteral("start\n") + QStringLiteral("show Form6.Caption\n").repeated(100)
                                               + QStringLiteral("end\n"));
        QStringList args{"--scenario", file};
        if (!transcript.isEmpty())
            args << "--transcript" << dir.filePath(transcript);
        const Result r = run(args, 1024, stdoutToFile ? dir.filePath(QStringLiteral("out.txt")) : QString());
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.endsWith(u'\n') && r.err.count(u'\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }

    void helpAndVersionAnswer_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("begins");
        QTest::newRow("version") << "--version" << "Gavelry " + kVersion + "\n";
        QTest::newRow("version short") << "-v" << "Gavelry " + kVersion + "\n";
        QTest::newRow("help") << "--help" << "Usage: gavelry [options]\n";
    }
    void helpAndVersionAnswer()
    {
        QFETCH(QString, option);
        QFETCH(QString, begins);
        const Result r = run({option});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(begins), qPrintable(r.out));
        QVERIFY(r.err.isEmpty());
    }

    // Without a display the boxes go to standard error and the program goes
    // on to its ending instead of waiting for a click.
    void headlessBoxesDoNotWait_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("holdLock");
        QTest::addColumn<QString>("said");
        QTest::newRow("second copy") << QStringList{"--headless"} << true << "Program is already running.";
#ifdef GAVELRY_WITH_ECHOLINK
        // A first start on the network: the station settings file has no
        // callsign yet (a template is written for the sysop).
        QTest::newRow("no station callsign") << QStringList{"--headless", "--client", "echolink"} << false
                                             << "Fill in CALLSIGN";
#else
        QTest::newRow("no network client") << QStringList{"--headless", "--client", "echolink"} << false
                                           << "not built into";
#endif
    }
    void headlessBoxesDoNotWait()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, holdLock);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QLockFile firstCopy(dir.filePath(QStringLiteral("gavelry.lock")));
        if (holdLock)
            QVERIFY(firstCopy.tryLock(0));
        // A save's new file: the first copy's, being written, while it runs;
        // left by an interrupted save otherwise.
        const QString saving = dir.filePath(QStringLiteral("vorivuzav.ini.0123abcd.tmp"));
        QFile tmp(saving);
        QVERIFY(tmp.open(QIODevice::WriteOnly));
        tmp.close();
        const Result r = run(args << QStringLiteral("--config-dir") << dir.path());
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QCOMPARE(QFile::exists(saving), holdLock);
        if (holdLock) // the running copy is named
            QVERIFY2(r.err.contains(QStringLiteral("It runs as process %1.").arg(QCoreApplication::applicationPid())),
                     qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
