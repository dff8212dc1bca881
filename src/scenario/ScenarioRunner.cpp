#include "scenario/ScenarioRunner.h"

#include "platform/Dialogs.h"
#include "util/Form99.h"
#include "app/Program.h"
#include "app/WebConsole.h"
#include "platform/ProfileIni.h"
#include "scenario/Scenario.h"
#include "scenario/Statements.h"
#include "scenario/TranscriptChecks.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/VirtualScheduler.h"
#include "core/Window.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace gavelry {

namespace {

using namespace scenario;

void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

/// "FILE:LINE: what". Put together in one pass: a file name or a message
/// may hold "%1" of its own.
QString fileLine(const QString &file, int line, const QString &what)
{
    return QStringLiteral("%1:%2: %3").arg(file, QString::number(line), what);
}

/// Where the transcript goes: a file or standard output, a line at a time
/// (flushed, so a paced demo shows each line as it happens). Every line is
/// also held against the expect statements.
///
/// A line that cannot be written (a full disk, a closed pipe) is said at
/// once, on one line naming the file; the run goes on, checking its expects
/// on the lines in memory, and fails at the end.
class Transcript {
public:
    bool open(const QString &path, QString &error)
    {
        if (path.isEmpty()) {
            m_name = QStringLiteral("standard output");
            m_file.open(stdout, QIODevice::WriteOnly);
        } else {
            m_name = path;
            m_file.setFileName(path);
            if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                error = QStringLiteral("%1: the transcript cannot be written: %2").arg(path, m_file.errorString());
                return false;
            }
        }
        return true;
    }
    void write(qint64 ms, const QString &kind, const QString &rest = QString())
    {
        QString line = timeStamp(ms) + u' ' + kind;
        if (!rest.isEmpty())
            line += u' ' + rest;
        m_checks.add(line);
        if (!m_writeFailed) {
            const QByteArray bytes = line.toUtf8() + '\n';
            errno = 0;
            if (m_file.write(bytes) != bytes.size() || !m_file.flush())
                writeFailed();
        }
    }
    /// Closes the transcript. False when some of it was not written (said
    /// already, when it happened).
    bool close()
    {
        if (m_writeFailed)
            return false;
        errno = 0;
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            writeFailed();
        return !m_writeFailed;
    }
    /// What the expect statements check, on the lines written so far.
    TranscriptChecks &checks() { return m_checks; }

private:
    void writeFailed()
    {
        // A write cut short leaves QFile without the system's reason; the
        // call that failed left it in errno.
        const int error = errno;
        m_writeFailed = true;
        printError(QStringLiteral("%1: the transcript cannot be written: %2; it is incomplete")
                       .arg(m_name, error != 0 ? qt_error_string(error) : m_file.errorString()));
    }

    QFile m_file;
    QString m_name;
    bool m_writeFailed = false;
    TranscriptChecks m_checks;
};

/// One run of a scenario: the simulated world, the program on it, and the
/// statements carried out one by one.
class Run : public Runner {
public:
    Run(const Options &options, Script script)
        : m_options(options),
          m_script(std::move(script)),
          m_scheduler(m_script.clock),
          m_client(m_scheduler, m_script.local),
          m_factory(m_client)
    {
        m_client.setKeepRecords(false); // the transcript has them; long runs stay small
    }

    /// Prepares the folder and the program; checks the control names. Returns
    /// an exit code when the run cannot go on (2: a bad name, nothing run).
    std::optional<int> prepare()
    {
        if (!m_dir.isValid()) {
            printError(QStringLiteral("gavelry: no temporary configuration folder: %1").arg(m_dir.errorString()));
            return 1;
        }
        m_program = std::make_unique<Program>(m_scheduler, m_factory, m_dialogs, m_shell, m_dir.path());
        QString error;
        if (!resolveControls(error)) {
            printError(error);
            return 2;
        }
        if (!m_options.configDir.isEmpty() && !copyConfiguration())
            return 2; // a usage error, like any other bad option
        if (!m_transcript.open(m_options.transcript, error)) {
            printError(error);
            return 2;
        }
        hookTranscript();
        return std::nullopt;
    }

    int execute()
    {
        if (m_options.speed > 0)
            pace();
        for (const Statement &st : std::as_const(m_script.statements)) {
            if (m_ended)
                break;
            // An ini waits for the ones right after it (see queueIni).
            if (st.keyword() != QLatin1String("ini"))
                writeIni();
            if (!stepGuarded(st))
                return 1;
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        writeIni();
        // What must not have happened is known only now, at the end.
        for (const TranscriptChecks::Breach &f : m_transcript.checks().breaches()) {
            m_failed = true;
            printError(QStringLiteral("%1:%2: expect-no %3 failed: the transcript line %4 contains it")
                           .arg(m_options.scenario, QString::number(f.statementLine), quote(f.text), quote(f.seen)));
        }
        const bool written = m_transcript.close();
        return m_failed || !written ? 1 : 0;
    }

private:
    /// Finds the widget of every statement that names a control, in the
    /// windows of the program now running.
    bool resolveControls(QString &error)
    {
        m_widgets.clear();
        for (Statement &st : m_script.statements) {
            QString why;
            if (!resolveControl(st, why)) {
                error = onLine(st.line, why);
                return false;
            }
        }
        return true;
    }

    bool resolveControl(Statement &st, QString &error)
    {
        if (!st.kind->checkControl)
            return true;
        Window *window = m_program->windows().byName(st.control.form);
        if (!window) {
            error = QStringLiteral("window '%1' does not exist in this build").arg(st.control.form);
            return false;
        }
        QWidget *widget = nullptr;
        if (!st.kind->checkControl(window, st, widget, error))
            return false;
        m_widgets.insert(st.line, widget);
        return true;
    }

    bool copyConfiguration()
    {
        const QDir from(m_options.configDir);
        if (!from.exists()) {
            printError(QStringLiteral("gavelry: --config-dir %1 does not exist").arg(m_options.configDir));
            return false;
        }
        for (const QFileInfo &f : from.entryInfoList(QDir::Files))
            QFile::copy(f.absoluteFilePath(), QDir(m_dir.path()).filePath(f.fileName()));
        return true;
    }

    void hookTranscript()
    {
        m_client.setRecorder([this](const SimClient::Record &r) {
            m_transcript.write(r.ms, r.kind, r.kind == QLatin1String("disconnect-all") ? QString() : quote(r.arg));
        });
        m_dialogs.setObserver([this](const ScriptedDialogs::Shown &shown) {
            if (shown.kind == QLatin1String("msgbox"))
                write(QStringLiteral("msgbox"), quote(shown.title) + u' ' + quote(shown.text));
            else
                write(QStringLiteral("input"), quote(shown.text));
        });
        m_shell.setObserver([this](const QString &target) { write(QStringLiteral("open"), quote(target)); });
        hookProgram();
    }

    void hookProgram()
    {
        QObject::connect(&m_program->form99(), &Form99::browsing, m_program.get(),
                         [this](const QString &address) { write(QStringLiteral("browse"), quote(address)); });
        QObject::connect(m_program.get(), &Program::ended, m_program.get(), [this] {
            m_ended = true;
            write(QStringLiteral("exit"));
        });
    }

    // ---- The run as the statements' steps see it (Statements.cpp)

    SimClient &client() override { return m_client; }
    SimWorld &world() override { return m_world; }
    ScriptedDialogs &dialogs() override { return m_dialogs; }
    RecordingShell &shell() override { return m_shell; }

    qint64 elapsedMs() const override { return m_scheduler.elapsedMs(); }
    void advanceTo(qint64 target) override
    {
        m_scheduler.advanceTo(target);
        if (m_options.speed > 0 && !m_ended)
            sleepUntil(target);
    }

    QString openWebConsole() override
    {
        m_webWanted = true;
        return m_running ? attachWebConsole() : QString();
    }
    void webRequest(int line, const QByteArray &method, const QString &path, const QByteArray &body) override
    {
        if (!m_web) {
            fail(line, QStringLiteral("the web console is not open (the program is not running)"));
            return;
        }
        const auto [status, reply] = m_web->request(method, path, body);
        write(QStringLiteral("web-reply"), QStringLiteral("%1 %2 %3 %4")
                                               .arg(QString::fromLatin1(method), path, QString::number(status),
                                                    QString::fromUtf8(reply)));
    }

    void startProgram() override { m_stopped = !start(); }
    void restartProgram(qint64 downMs) override { m_stopped = !restart(downMs); }
    void endProgram() override { m_program->context().endProgram(); }
    QWidget *widget(const Statement &st) const override { return m_widgets.value(st.line); }

    QString configFile(const QString &name) const override { return QDir(m_dir.path()).filePath(name); }
    /// An ini statement waits to be written with the ones right after it,
    /// each file once for all of them, in the order the files first came.
    /// Saving a file writes its backup, so a file whose backup is already
    /// waiting has those lines written first.
    void queueIni(int line, const QString &file, const QString &key, const QString &value) override
    {
        if (m_iniFiles.contains(file + QStringLiteral(".bak")))
            writeIni();
        m_iniFiles.insert(file);
        m_iniWaiting.append({line, file, {key, value}});
    }

    void write(const QString &kind, const QString &rest = QString()) override
    {
        m_transcript.write(m_scheduler.elapsedMs(), kind, rest);
    }
    TranscriptChecks &checks() override { return m_transcript.checks(); }
    void fail(int line, const QString &what) override
    {
        m_failed = true;
        printError(onLine(line, what));
    }

    /// The program ends as if closed, time runs on for the time spent down
    /// (the simulated world with it), and the program starts again on the
    /// same settings folder.
    bool restart(qint64 downMs)
    {
        write(QStringLiteral("restart"));
        m_web.reset();
        m_running = false;
        m_program->endForRestart();
        m_program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (downMs > 0)
            advanceTo(m_scheduler.elapsedMs() + downMs);
        m_program = std::make_unique<Program>(m_scheduler, m_factory, m_dialogs, m_shell, m_dir.path());
        QString error;
        if (!resolveControls(error)) { // the same build: cannot happen, but never a stale widget
            printError(error);
            return false;
        }
        hookProgram();
        write(QStringLiteral("start"));
        return start();
    }

    bool start()
    {
        try {
            m_program->start();
        } catch (const ClientError &e) {
            printError(QStringLiteral("gavelry: the program could not start: %1").arg(QString::fromLocal8Bit(e.what())));
            return false;
        }
        m_running = true;
        if (m_webWanted) {
            const QString why = attachWebConsole();
            if (!why.isEmpty()) {
                m_failed = true;
                printError(QStringLiteral("gavelry: the web console cannot open: ") + why);
            }
        }
        return true;
    }

    /// The console on the program now running, its pushes in the
    /// transcript: a status push names the fields that changed since the
    /// previous one (all of them first), chat and log pushes their line.
    QString attachWebConsole()
    {
        m_webStatus = QJsonObject();
        QString why;
        m_web = ScriptedWebConsole::open(*m_program, [this](const QByteArray &json) { webPushed(json); }, why);
        return m_web ? QString() : why;
    }
    void webPushed(const QByteArray &json)
    {
        const QJsonObject event = QJsonDocument::fromJson(json).object();
        const QString type = event.value(QStringLiteral("type")).toString();
        if (type != QLatin1String("status")) {
            const QString key = type == QLatin1String("chat") ? QStringLiteral("line") : QStringLiteral("entry");
            write(QStringLiteral("web-push"), type + u' ' + quote(event.value(key).toString()));
            return;
        }
        const QJsonObject status = event.value(QStringLiteral("status")).toObject();
        QStringList changed;
        for (auto it = status.begin(); it != status.end(); ++it)
            if (!m_webStatus.contains(it.key()) || m_webStatus.value(it.key()) != it.value()) {
                const QByteArray value = QJsonDocument(QJsonArray{it.value()}).toJson(QJsonDocument::Compact);
                changed.append(it.key() + u'=' + QString::fromUtf8(value.mid(1).chopped(1)));
            }
        m_webStatus = status;
        write(QStringLiteral("web-push"), QStringLiteral("status ") + changed.join(u' '));
    }

    /// A message about the statement on line of the scenario file.
    QString onLine(int line, const QString &what) const { return fileLine(m_options.scenario, line, what); }

    /// Virtual time runs at speed times the wall clock.
    void pace()
    {
        m_wall.start();
        m_scheduler.setPacer([this](qint64 due) { sleepUntil(due); });
    }
    void sleepUntil(qint64 virtualMs)
    {
        // The command line keeps the speed and the scenario its length in
        // bounds; the wall time is still worked in floating point and held
        // to a day a step, so no value can overflow on the way.
        constexpr double kLongestSleepMs = 24.0 * 3600 * 1000;
        const double ahead = double(virtualMs) / m_options.speed - double(m_wall.elapsed());
        if (ahead > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(qint64(std::min(ahead, kLongestSleepMs))));
    }

    /// Writes the ini statements waiting, with what each would have written
    /// and said on its own.
    void writeIni()
    {
        QHash<QString, QList<IniEntry>> byFile;
        QStringList files;
        for (const IniEntry &e : std::as_const(m_iniWaiting)) {
            auto found = byFile.find(e.file);
            if (found == byFile.end()) {
                files.append(e.file);
                found = byFile.insert(e.file, {});
            }
            found->append(e);
        }
        QList<std::pair<int, QString>> errors; // by statement line
        for (const QString &file : std::as_const(files)) {
            const QList<IniEntry> &entries = byFile[file];
            QList<std::pair<QString, QString>> values;
            for (const IniEntry &e : entries)
                values.append(e.value);
            const QStringList said = ProfileIni::setEach(configFile(file), QStringLiteral("SETTINGS"), values);
            for (qsizetype i = 0; i < said.size(); ++i)
                if (!said.at(i).isEmpty())
                    errors.append({entries.at(i).line, said.at(i)});
        }
        std::sort(errors.begin(), errors.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &[line, error] : std::as_const(errors))
            printError(onLine(line, error));
        m_iniWaiting.clear();
        m_iniFiles.clear();
    }

    /// Carries out one statement. False stops the run: the program could
    /// not start, or a failure escaped the program's own handlers; that one
    /// fails the run with the statement that set it off, instead of ending
    /// the process.
    bool stepGuarded(const Statement &st)
    {
        try {
            if (st.kind->step)
                st.kind->step(*this, st);
            return !m_stopped;
        } catch (const std::exception &e) {
            printError(onLine(st.line, QStringLiteral("the program failed: ") + QString::fromLocal8Bit(e.what())));
        }
        return false;
    }

    const Options &m_options;
    Script m_script;
    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;
    SimClient m_client;
    SimClientFactory m_factory;
    ScriptedDialogs m_dialogs;
    RecordingShell m_shell;
    Transcript m_transcript;
    QElapsedTimer m_wall;
    SimWorld m_world;
    QHash<int, QWidget *> m_widgets; ///< by statement line
    struct IniEntry {
        int line = 0;
        QString file;
        std::pair<QString, QString> value; ///< key and value
    };
    QList<IniEntry> m_iniWaiting;
    QSet<QString> m_iniFiles;
    bool m_ended = false;
    bool m_stopped = false; ///< the program could not start
    bool m_failed = false;  ///< an expect failed
    bool m_running = false; ///< the program started and has not been restarted since
    bool m_webWanted = false;
    QJsonObject m_webStatus; ///< the status the last push showed
    // Last: the program goes first, while everything it uses still exists;
    // the console that follows it before it.
    std::unique_ptr<Program> m_program;
    std::unique_ptr<ScriptedWebConsole> m_web;
};

} // namespace

int runScenario(const Options &options)
{
    QFile file(options.scenario);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("%1: cannot be read: %2").arg(options.scenario, file.errorString()));
        return 2;
    }
    ParseError error;
    std::optional<Script> script = parse(QString::fromUtf8(file.readAll()), error);
    if (!script) {
        printError(fileLine(options.scenario, error.line, error.what));
        return 2;
    }
    Run run(options, std::move(*script));
    if (const std::optional<int> code = run.prepare())
        return *code;
    return run.execute();
}

} // namespace gavelry
