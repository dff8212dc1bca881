#include "scenario/Statements.h"

#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"
#include "scenario/ScenarioWidgets.h"
#include "scenario/TranscriptChecks.h"
#include "Version.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QResizeEvent>
#include <QWidget>

namespace gavelry::scenario {

namespace {

constexpr qint64 kDayMs = 24LL * 3600 * 1000;

/// "HH:MM:SS", hours past 99 whole.
QString hms(qint64 ms) { return timeStamp(ms).chopped(4); }

/// An expected text with "@VERSION@" standing for the program's version, so
/// scenario files stay as they are when the version changes.
QString withVersion(QString text)
{
    return text.replace(QLatin1String("@VERSION@"), QLatin1String(kVersionText));
}

// ---- What the parser checks, statement against the file before it

/// A configuration file name: a bare name that stays inside the folder.
bool plainFileName(Statement &st, FileContext &, QString &error)
{
    const QString &name = st.args[0];
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == QLatin1String(".")
        || name == QLatin1String("..")) {
        error = QStringLiteral("'%1' is not a file name of the configuration folder").arg(name);
        return false;
    }
    return true;
}

bool declaredStation(Statement &st, FileContext &file, QString &error)
{
    if (!file.members.contains(st.args[0].toUpper())) {
        error = QStringLiteral("no station \"%1\" is declared (use member \"CALL\" in \"CONF\")").arg(st.args[0]);
        return false;
    }
    return true;
}

/// A wait or a restart's time down; both within the cap, so the sum cannot
/// overflow.
bool spendTime(const Statement &st, FileContext &file, const QString &what, QString &error)
{
    if (st.ms > kLongestRunMs - file.time) {
        error = QStringLiteral("%1 would take the run past its longest, %2 virtual days")
                    .arg(what, QString::number(kLongestRunMs / kDayMs));
        return false;
    }
    file.time += st.ms;
    return true;
}

/// A control the operator works, named without a property.
bool bareControl(Statement &st, FileContext &, QString &error)
{
    if (!st.control.property.isEmpty() && !st.control.ambiguous) {
        error = QStringLiteral("name a control without a property here, not '%1'").arg(st.control.text());
        return false;
    }
    if (st.control.control.isEmpty() && !st.control.ambiguous) {
        error = QStringLiteral("name a control of the window here, not the window '%1'").arg(st.control.form);
        return false;
    }
    return true;
}

/// A web-action's arguments, "call=W1ABC notice=with timedMinutes=5", as
/// the JSON object the pages send: whole numbers go as numbers.
std::optional<QJsonObject> webArguments(const QString &text, QString &error)
{
    QJsonObject args;
    for (const QString &pair : text.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq <= 0) {
            error = QStringLiteral("bad argument '%1' (use NAME=VALUE, separated by spaces)").arg(pair);
            return std::nullopt;
        }
        const QString value = pair.mid(eq + 1);
        bool number = false;
        const int n = value.toInt(&number);
        args.insert(pair.left(eq), number ? QJsonValue(n) : QJsonValue(value));
    }
    return args;
}

// ---- What the control must be, once the windows exist

/// The widget a control name stands for in its window. A name like
/// Form6.Caption is a control of that name when the window has one, else
/// the window's own property.
bool findControl(QWidget *window, ControlName &name, QWidget *&widget, QString &error)
{
    if (name.ambiguous) {
        widget = window->findChild<QWidget *>(name.objectName());
        if (!widget) {
            name.property = name.control;
            name.control.clear();
            name.ambiguous = false;
        }
    }
    if (name.control.isEmpty()) {
        widget = window;
        return true;
    }
    widget = window->findChild<QWidget *>(name.objectName());
    if (!widget) {
        error = QStringLiteral("unknown control '%1' (no control %2 in %3)").arg(name.text(), name.objectName(), name.form);
        return false;
    }
    return true;
}

/// A control the operator works: one of the window's, not the window.
bool operatedControl(QWidget *window, Statement &st, QWidget *&widget, QString &error)
{
    if (!findControl(window, st.control, widget, error))
        return false;
    if (widget == window) {
        error = QStringLiteral("name a control of the window here, not '%1'").arg(st.control.text());
        return false;
    }
    return true;
}

bool theWindow(QWidget *window, Statement &, QWidget *&widget, QString &)
{
    widget = window;
    return true;
}

// ---- What the run does

SimConference *conferenceOf(Runner &run, const QString &station)
{
    return run.world().memberOf.value(station.toUpper());
}

/// The operator drags the window to a new size. A hidden window takes the
/// size at once and hears of it as a shown one does.
void resizeWindow(QWidget *window, int widthTwips, int heightTwips)
{
    const QSize old = window->size();
    window->resize(controls::toPixels(widthTwips), controls::toPixels(heightTwips));
    if (!window->isVisible() && window->size() != old) {
        QResizeEvent event(window->size(), old);
        QCoreApplication::sendEvent(window, &event);
    }
}

/// Each line of a configuration file, as the transcript's file lines.
void showFile(Runner &run, const QString &name)
{
    QFile f(run.configFile(name));
    if (!f.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    for (const QString &line : text.split(u'\n'))
        run.write(QStringLiteral("file"), name + u' ' + quote(line));
}

const StatementKind kStatements[] = {
    // The files and the simulated world, before the program starts.
    {.keyword = "ini", .phase = Phase::BeforeStart, .pattern = "WWS", .usage = "ini FILE KEY \"VALUE\"",
     .checkFile = plainFileName,
     .step = [](Runner &run, const Statement &st) { run.queueIni(st.line, st.args[0], st.args[1], st.args[2]); }},
    {.keyword = "clock", .phase = Phase::BeforeStart, .pattern = "WW", .usage = "clock YYYY-MM-DD HH:MM:SS",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         // Virtual time has no zone: any date and time of day is a valid
         // start, also one that a daylight-saving change skips locally.
         const QDateTime t(QDate::fromString(st.args[0], QStringLiteral("yyyy-MM-dd")),
                           QTime::fromString(st.args[1], QStringLiteral("HH:mm:ss")), Qt::UTC);
         if (!t.isValid()) {
             error = QStringLiteral("bad date and time '%1 %2' (use YYYY-MM-DD HH:MM:SS)").arg(st.args[0], st.args[1]);
             return false;
         }
         if (file.clockSet) {
             error = QStringLiteral("the clock is already set");
             return false;
         }
         file.clockSet = true;
         st.clock = t;
         file.script.clock = t;
         return true;
     }}, // no step: the run is built on the script's clock
    {.keyword = "local", .phase = Phase::BeforeStart, .pattern = "S", .usage = "local CALL",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         if (st.args[0].trimmed().isEmpty()) {
             error = QStringLiteral("the local callsign is empty");
             return false;
         }
         if (file.localSet) {
             error = QStringLiteral("the local callsign is already set");
             return false;
         }
         file.localSet = true;
         file.script.local = st.args[0];
         return true;
     }}, // no step: the run's client is built with the script's callsign
    {.keyword = "conference", .phase = Phase::BeforeStart, .pattern = "SkSkS",
     .usage = "conference \"CALL\" admin \"PW\" sysop \"PW\"",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         const QString call = st.args[0].toUpper();
         if (call.isEmpty() || file.conferences.contains(call)) {
             error = call.isEmpty() ? QStringLiteral("the conference callsign is empty")
                                    : QStringLiteral("conference \"%1\" is already declared").arg(st.args[0]);
             return false;
         }
         file.conferences.insert(call);
         return true;
     },
     .step = [](Runner &run, const Statement &st) {
         auto conf = std::make_unique<SimConference>(run.client(), st.args[0], st.args[1], st.args[2]);
         run.world().conferences.insert(st.args[0].toUpper(), conf.get());
         run.world().owned.push_back(std::move(conf));
     }},
    {.keyword = "member", .phase = Phase::BeforeStart, .pattern = "SkS", .usage = "member \"CALL\" in \"CONF\"",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         const QString call = st.args[0].toUpper();
         if (!file.conferences.contains(st.args[1].toUpper())) {
             error = QStringLiteral("no conference \"%1\" is declared").arg(st.args[1]);
             return false;
         }
         if (call.isEmpty() || file.members.contains(call)) {
             error = call.isEmpty() ? QStringLiteral("the station callsign is empty")
                                    : QStringLiteral("station \"%1\" is already a member").arg(st.args[0]);
             return false;
         }
         file.members.insert(call);
         return true;
     },
     .step = [](Runner &run, const Statement &st) {
         SimConference *conf = run.world().conferences.value(st.args[1].toUpper());
         conf->join(st.args[0]);
         run.world().memberOf.insert(st.args[0].toUpper(), conf);
     }},
    {.keyword = "link-delay", .phase = Phase::BeforeStart, .pattern = "D", .usage = "link-delay DURATION",
     .checkFile = [](Statement &st, FileContext &, QString &error) {
         if (st.ms > kLongestLinkDelayMs) {
             error = QStringLiteral("the link delay is longer than a day");
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) { run.client().setLinkDelay(int(st.ms)); }},
    {.keyword = "simulate", .phase = Phase::BeforeStart, .pattern = "SkW", .usage = "simulate \"CONF\" seed N",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         if (!file.conferences.contains(st.args[0].toUpper())) {
             error = QStringLiteral("no conference \"%1\" is declared").arg(st.args[0]);
             return false;
         }
         bool ok = false;
         st.number = st.args[1].toUInt(&ok);
         if (!ok) {
             error = QStringLiteral("bad seed '%1' (a whole number from 0 to 4294967295)").arg(st.args[1]);
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) {
         SimConference &conf = *run.world().conferences.value(st.args[0].toUpper());
         auto lively = std::make_unique<SimLively>(conf, quint32(st.number));
         lively->start();
         run.world().owned.push_back(std::move(lively));
     }},

    // The program and the time.
    {.keyword = "start", .phase = Phase::Any, .pattern = "", .usage = "start",
     .checkFile = [](Statement &, FileContext &file, QString &error) {
         if (file.started) {
             error = QStringLiteral("the program is already started");
             return false;
         }
         file.started = true;
         return true;
     },
     .step = [](Runner &run, const Statement &) { run.startProgram(); }},
    {.keyword = "wait", .phase = Phase::Any, .pattern = "D", .usage = "wait DURATION",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         return spendTime(st, file, QStringLiteral("this wait"), error);
     },
     .step = [](Runner &run, const Statement &st) { run.advanceTo(run.elapsedMs() + st.ms); }},
    {.keyword = "at", .phase = Phase::Any, .pattern = "T", .usage = "at HH:MM:SS",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         if (st.ms < file.time) {
             error = QStringLiteral("at %1 is earlier than the time already reached (%2)").arg(hms(st.ms), hms(file.time));
             return false;
         }
         // An at names at most 999:59:59, well inside the longest run.
         file.time = st.ms;
         return true;
     },
     .step = [](Runner &run, const Statement &st) { run.advanceTo(st.ms); }},
    {.keyword = "restart", .phase = Phase::Started, .pattern = "[kD]", .usage = "restart [after DURATION]",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         return spendTime(st, file, QStringLiteral("this restart"), error);
     },
     .step = [](Runner &run, const Statement &st) { run.restartProgram(st.ms); }},

    // What the client hears from the network.
    {.keyword = "linked", .phase = Phase::Any, .pattern = "S", .usage = "linked \"CALL\"",
     .step = [](Runner &run, const Statement &st) { run.client().linkUp(st.args[0]); }},
    {.keyword = "unlinked", .phase = Phase::Started, .pattern = "S", .usage = "unlinked \"CALL\"",
     .step = [](Runner &run, const Statement &st) { run.client().linkDown(st.args[0]); }},
    {.keyword = "rx", .phase = Phase::Started, .pattern = "W", .usage = "rx on|off",
     .checkFile = [](Statement &st, FileContext &, QString &error) {
         if (st.args[0] != QLatin1String("on") && st.args[0] != QLatin1String("off")) {
             error = QStringLiteral("rx takes on or off, not '%1'").arg(st.args[0]);
             return false;
         }
         st.flag = st.args[0] == QLatin1String("on");
         return true;
     },
     .step = [](Runner &run, const Statement &st) { run.client().raiseRX(st.flag); }},
    {.keyword = "station-text", .phase = Phase::Started, .pattern = "S", .usage = "station-text \"TEXT\"",
     .step = [](Runner &run, const Statement &st) { run.client().raiseStationText(st.args[0]); }},
    {.keyword = "chat", .phase = Phase::Started, .pattern = "S", .usage = "chat \"LINE\"",
     .step = [](Runner &run, const Statement &st) { run.client().raiseChat(st.args[0]); }},
    {.keyword = "dtmf", .phase = Phase::Started, .pattern = "S", .usage = "dtmf \"DIGITS\"",
     .step = [](Runner &run, const Statement &st) { run.client().raiseDTMF(st.args[0]); }},
    {.keyword = "connected", .phase = Phase::Started, .pattern = "SSS",
     .usage = "connected \"CALL\" \"NAME\" \"ADDR\"",
     .step = [](Runner &run, const Statement &st) { run.client().raiseConnected(st.args[0], st.args[1], st.args[2]); }},
    {.keyword = "closing", .phase = Phase::Started, .pattern = "", .usage = "closing",
     .step = [](Runner &run, const Statement &) { run.client().raiseClosing(); }},

    // The stations of the simulated conferences.
    {.keyword = "key", .phase = Phase::Any, .pattern = "S", .usage = "key CALL",
     .checkFile = declaredStation,
     .step = [](Runner &run, const Statement &st) { conferenceOf(run, st.args[0])->key(st.args[0]); }},
    {.keyword = "unkey", .phase = Phase::Any, .pattern = "S", .usage = "unkey CALL",
     .checkFile = declaredStation,
     .step = [](Runner &run, const Statement &st) { conferenceOf(run, st.args[0])->unkey(st.args[0]); }},
    {.keyword = "say", .phase = Phase::Any, .pattern = "SS", .usage = "say CALL \"TEXT\"",
     .checkFile = declaredStation,
     .step = [](Runner &run, const Statement &st) { conferenceOf(run, st.args[0])->say(st.args[0], st.args[1]); }},

    // The operator at the windows.
    {.keyword = "click", .phase = Phase::Started, .pattern = "C", .usage = "click Form.Control",
     .checkFile = bareControl,
     .checkControl = operatedControl,
     .step = [](Runner &run, const Statement &st) { widgets::click(run.widget(st)); }},
    {.keyword = "set", .phase = Phase::Started, .pattern = "CS", .usage = "set Form.Control \"TEXT\"",
     .checkFile = bareControl,
     .checkControl = [](QWidget *window, Statement &st, QWidget *&widget, QString &error) {
         if (!operatedControl(window, st, widget, error))
             return false;
         if (!widgets::isTextBox(widget)) {
             error = QStringLiteral("set needs a text box; %1 is not one").arg(st.control.text());
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) { widgets::setText(run.widget(st), st.args[0]); }},
    {.keyword = "type", .phase = Phase::Started, .pattern = "CS", .usage = "type Form.Control \"TEXT\"",
     .checkFile = bareControl,
     .checkControl = operatedControl,
     .step = [](Runner &run, const Statement &st) { widgets::typeText(run.widget(st), st.args[0]); }},
    {.keyword = "check", .phase = Phase::Started, .pattern = "CW", .usage = "check Form.Control 0|1",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         if (st.args[0] != QLatin1String("0") && st.args[0] != QLatin1String("1") && st.args[0] != QLatin1String("2")) {
             error = QStringLiteral("check takes 0, 1 or 2, not '%1'").arg(st.args[0]);
             return false;
         }
         st.number = st.args[0].toInt();
         return bareControl(st, file, error);
     },
     .checkControl = [](QWidget *window, Statement &st, QWidget *&widget, QString &error) {
         if (!operatedControl(window, st, widget, error))
             return false;
         if (!widgets::isCheckable(widget)) {
             error = QStringLiteral("check needs a check box or option button; %1 is neither").arg(st.control.text());
             return false;
         }
         if (widgets::isOptionButton(widget) && st.number != 1) {
             error = QStringLiteral("an option button can only be selected (check %1 1)").arg(st.control.text());
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) { widgets::check(run.widget(st), int(st.number)); }},
    {.keyword = "close", .phase = Phase::Started, .pattern = "F", .usage = "close Form",
     .checkControl = theWindow,
     .step = [](Runner &run, const Statement &st) { run.widget(st)->close(); }},
    {.keyword = "resize", .phase = Phase::Started, .pattern = "FWW", .usage = "resize Form WIDTH HEIGHT",
     .checkFile = [](Statement &st, FileContext &, QString &error) {
         // Twips, as the window's own sizes are given; a window is at least a
         // pixel and at most what a screen could hold.
         bool okW = false, okH = false;
         st.width = st.args[0].toInt(&okW);
         st.height = st.args[1].toInt(&okH);
         if (!okW || !okH || st.width < 15 || st.height < 15 || st.width > 300000 || st.height > 300000) {
             error = QStringLiteral("bad size '%1 %2' (width and height in twips, 15 to 300000)").arg(st.args[0], st.args[1]);
             return false;
         }
         return true;
     },
     .checkControl = theWindow,
     .step = [](Runner &run, const Statement &st) { resizeWindow(run.widget(st), st.width, st.height); }},

    // What the program asks of the operator and the system.
    {.keyword = "answer", .phase = Phase::Any, .pattern = "S", .usage = "answer \"TEXT\"",
     .step = [](Runner &run, const Statement &st) { run.dialogs().queueAnswer(st.args[0]); }},
    {.keyword = "reply", .phase = Phase::Any, .pattern = "W", .usage = "reply yes|no|ok",
     .checkFile = [](Statement &st, FileContext &, QString &error) {
         if (st.args[0] != QLatin1String("yes") && st.args[0] != QLatin1String("no") && st.args[0] != QLatin1String("ok")) {
             error = QStringLiteral("reply takes yes, no or ok, not '%1'").arg(st.args[0]);
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) {
         run.dialogs().queueReply(st.args[0] == QLatin1String("yes") ? MsgAnswer::Yes
                                  : st.args[0] == QLatin1String("no") ? MsgAnswer::No
                                                                      : MsgAnswer::Ok);
     }},
    {.keyword = "shell-result", .phase = Phase::Any, .pattern = "W", .usage = "shell-result N",
     .checkFile = [](Statement &st, FileContext &, QString &error) {
         bool ok = false;
         st.number = st.args[0].toInt(&ok);
         if (!ok) {
             error = QStringLiteral("bad result code '%1' (a whole number, above 32 for success)").arg(st.args[0]);
             return false;
         }
         return true;
     },
     .step = [](Runner &run, const Statement &st) { run.shell().setNextResult(int(st.number)); }},

    // The web console, as an operator logged in to it sees it.
    {.keyword = "web-console", .phase = Phase::Any, .pattern = "", .usage = "web-console",
     .checkFile = [](Statement &, FileContext &file, QString &error) {
         if (file.webConsole) {
             error = QStringLiteral("the web console is already open");
             return false;
         }
         file.webConsole = true;
         return true;
     },
     .step = [](Runner &run, const Statement &st) {
         const QString why = run.openWebConsole();
         if (!why.isEmpty())
             run.fail(st.line, QStringLiteral("the web console cannot open: ") + why);
     }},
    {.keyword = "web-action", .phase = Phase::Started, .pattern = "W[S]", .usage = "web-action NAME [\"ARGS\"]",
     .checkFile = [](Statement &st, FileContext &file, QString &error) {
         if (!file.webConsole) {
             error = QStringLiteral("the web console is not open (use web-console before)");
             return false;
         }
         return webArguments(st.args.value(1), error).has_value();
     },
     .step = [](Runner &run, const Statement &st) {
         QString error;
         const QJsonObject args = *webArguments(st.args.value(1), error);
         run.webRequest(st.line, "POST", QStringLiteral("/api/actions/") + st.args[0],
                        QJsonDocument(args).toJson(QJsonDocument::Compact));
     }},

    // The transcript.
    {.keyword = "show", .phase = Phase::Started, .pattern = "C", .usage = "show Form.Control[.Property]",
     .checkControl = [](QWidget *window, Statement &st, QWidget *&widget, QString &error) {
         return findControl(window, st.control, widget, error)
             && widgets::checkProperty(widget, widget == window, st.control.property, error);
     },
     .step = [](Runner &run, const Statement &st) {
         run.write(QStringLiteral("show"), st.control.text() + u' '
                       + quote(widgets::property(run.widget(st), st.control.control.isEmpty(), st.control.property)));
     }},
    {.keyword = "show-file", .phase = Phase::Any, .pattern = "W", .usage = "show-file FILE",
     .checkFile = plainFileName,
     .step = [](Runner &run, const Statement &st) { showFile(run, st.args[0]); }},
    {.keyword = "expect", .phase = Phase::Any, .pattern = "S", .usage = "expect \"TEXT\"",
     .step = [](Runner &run, const Statement &st) {
         if (!run.checks().expect(withVersion(st.args[0])))
             run.fail(st.line, QStringLiteral("expect ") + quote(st.args[0])
                                   + QStringLiteral(" failed: no transcript line after the one the previous expect "
                                                    "matched contains it"));
     }},
    {.keyword = "expect-no", .phase = Phase::Any, .pattern = "S", .usage = "expect-no \"TEXT\"",
     .step = [](Runner &run, const Statement &st) { run.checks().forbid(withVersion(st.args[0]), st.line); }},
    {.keyword = "end", .phase = Phase::Any, .pattern = "", .usage = "end",
     .step = [](Runner &run, const Statement &) { run.endProgram(); }},
};

} // namespace

const StatementKind *findStatement(const QString &keyword)
{
    static const QHash<QString, const StatementKind *> byKeyword = [] {
        QHash<QString, const StatementKind *> table;
        for (const StatementKind &kind : kStatements)
            table.insert(QString::fromLatin1(kind.keyword), &kind);
        return table;
    }();
    return byKeyword.value(keyword);
}

} // namespace gavelry::scenario
