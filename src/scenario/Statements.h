#pragma once

#include "scenario/Scenario.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <memory>
#include <vector>

class QWidget;

namespace gavelry {
class RecordingShell;
class ScriptedDialogs;
class SimClient;
class SimConference;
} // namespace gavelry

/// The statements of the scenario language, one row each: how a statement
/// is written, what the parser checks of it, what its control must be, and
/// what the run does for it. A new statement is one more row of the table in
/// Statements.cpp.
namespace gavelry::scenario {

class TranscriptChecks;

/// Where in the file a statement may come.
enum class Phase { BeforeStart, Any, Started };

/// What the file has declared so far, and where the run stands, as the
/// parser reads it statement by statement.
struct FileContext {
    explicit FileContext(Script &s) : script(s) {}

    Script &script;
    bool started = false;
    qint64 time = 0;           ///< the virtual time the statements so far take
    QSet<QString> conferences; ///< callsigns in capitals
    QSet<QString> members;     ///< stations' callsigns in capitals
    bool clockSet = false;
    bool localSet = false;
    bool webConsole = false;   ///< a web-console statement came
};

/// The conferences a run simulates, as its statements declare them.
struct SimWorld {
    QHash<QString, SimConference *> conferences; ///< by callsign in capitals
    QHash<QString, SimConference *> memberOf;    ///< a station's conference, by its callsign in capitals
    std::vector<std::unique_ptr<QObject>> owned; ///< the conferences and their simulations
};

/// What a statement's step acts on: one run of the whole program on virtual
/// time, the simulated world around it and its transcript.
class Runner {
public:
    virtual ~Runner() = default;

    virtual SimClient &client() = 0;
    virtual SimWorld &world() = 0;
    virtual ScriptedDialogs &dialogs() = 0;
    virtual RecordingShell &shell() = 0;

    /// Virtual time since the beginning of the run.
    virtual qint64 elapsedMs() const = 0;
    /// Runs virtual time on to ms since the beginning, at the run's pace.
    virtual void advanceTo(qint64 ms) = 0;

    /// The program starts; when it cannot, the run stops here.
    virtual void startProgram() = 0;
    /// The program ends as if closed, stays down for downMs, and starts again.
    virtual void restartProgram(qint64 downMs) = 0;
    /// The program ends as its own exit would end it.
    virtual void endProgram() = 0;
    /// The widget the statement's control check found.
    virtual QWidget *widget(const Statement &st) const = 0;

    /// The path of a file in the run's configuration folder.
    virtual QString configFile(const QString &name) const = 0;
    /// Sets key in the SETTINGS section of file, together with the ini
    /// statements right after this one.
    virtual void queueIni(int line, const QString &file, const QString &key, const QString &value) = 0;

    /// The web console opens, now or when the program starts (and again
    /// after each restart), with an operator logged in; each push its
    /// WebSocket would get becomes a "web-push" line. Empty, or why not.
    virtual QString openWebConsole() = 0;
    /// A request of that operator; its reply becomes a "web-reply" line.
    virtual void webRequest(int line, const QByteArray &method, const QString &path, const QByteArray &body) = 0;

    /// Writes a transcript line at the time now.
    virtual void write(const QString &kind, const QString &rest = QString()) = 0;
    /// What the expect statements hold against the transcript.
    virtual TranscriptChecks &checks() = 0;
    /// Says what went wrong on the statement's line; the run fails at its end.
    virtual void fail(int line, const QString &what) = 0;
};

/// One kind of statement.
struct StatementKind {
    const char *keyword = "";
    Phase phase = Phase::Any;
    /// The arguments: W word, S string (quoted or a bare word), C control
    /// name, F window, D duration, T time HH:MM:SS, lowercase letters a
    /// literal keyword taken from usage. A tail in brackets is optional: all
    /// of it or none, and nothing in it quoted but its strings.
    const char *pattern = "";
    const char *usage = "";
    /// Checks the statement against what the file has said before it and
    /// takes its values. Null: there is nothing to check.
    bool (*checkFile)(Statement &st, FileContext &file, QString &error) = nullptr;
    /// Finds the widget the statement acts on in its window, once the
    /// windows exist. Null: the statement names no control.
    bool (*checkControl)(QWidget *window, Statement &st, QWidget *&widget, QString &error) = nullptr;
    /// Carries the statement out. Null: the run took all of it when it was
    /// built.
    void (*step)(Runner &run, const Statement &st) = nullptr;
};

/// The statement of that keyword; null when there is none.
const StatementKind *findStatement(const QString &keyword);

} // namespace gavelry::scenario
