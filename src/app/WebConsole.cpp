#include "app/WebConsole.h"

#include "app/Program.h"
#include "chat/Messages.h"
#include "core/AdminGate.h"
#include "core/Controls.h"
#include "core/Errors.h"
#include "core/Form6.h"
#include "enforcement/AutoBanSchedule.h"
#include "enforcement/ConnectSchedule.h"
#include "enforcement/Form321.h"
#include "enforcement/TimedSlot.h"
#include "enforcement/TimedSlots.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"
#include "web/WebHost.h"
#include "web/WebModule.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace gavelry {

using namespace moderation;

namespace {

/// The module, beside the program (build tree) or where it is installed.
web::WebModule *openModule(QString &why)
{
    static QLibrary library;
    static web::WebModule *module = nullptr;
    if (module)
        return module;
    QStringList places{QCoreApplication::applicationDirPath()};
#ifdef GAVELRY_WEB_MODULE_DIR
    places.append(QStringLiteral(GAVELRY_WEB_MODULE_DIR));
#endif
    for (const QString &place : places) {
        const QString path = QDir(place).filePath(QStringLiteral("gavelry-web.so"));
        if (!QFile::exists(path))
            continue;
        library.setFileName(path);
        if (!library.load()) {
            why = QStringLiteral("The web console cannot be loaded: %1").arg(library.errorString());
            return nullptr;
        }
        const auto entry = reinterpret_cast<web::ModuleEntry>(library.resolve(web::kModuleEntry));
        module = entry ? entry(web::kModuleInterface) : nullptr;
        if (!module)
            why = QStringLiteral("%1 belongs to another build of the program").arg(path);
        return module;
    }
    why = QStringLiteral("This copy of the program was built without the web console (gavelry-web.so)");
    return nullptr;
}

/// The last lines of a text, oldest first.
QStringList lastLines(const QString &text, int n)
{
    QStringList lines = text.split(u'\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.mid(qMax<qsizetype>(0, lines.size() - n));
}

/// The program as the console sees it: the main window's values, the timed
/// slots, the moderation actions with the console's user as their cause.
class ProgramHost final : public QObject, public web::WebHost {
public:
    static constexpr int kKeptLogLines = 1000;
    /// How often the console compares what it shows with the program.
    static constexpr int kLookMs = 200;

    explicit ProgramHost(Program &program)
        : m_p(program),
          m_talker(controls::child<QLineEdit>(program.form6(), "Text37")),
          m_stationInfo(controls::child<QPlainTextEdit>(program.form6(), "Text35")),
          m_limit(controls::child<QLineEdit>(program.form6(), "BeaconPeriod2")),
          m_countdown(controls::child<QLabel>(program.form6(), "BeaconSeconds2")),
          m_chat(controls::child<QTextEdit>(program.messages(), "RTB"))
    {
        readLogTail();
        connect(&program.moderationLog(), &ModerationLog::logged, this, [this](const QString &entry) {
            m_log.append(entry);
            if (m_log.size() > kKeptLogLines)
                m_log.removeFirst();
            if (m_listener)
                m_listener->logLine(entry);
        });
        connect(m_chat->document(), &QTextDocument::contentsChange, this, [this](int pos, int removed, int added) {
            // Lines come at the end; the scrollback is trimmed at the start.
            if (m_chatFrom >= 0 && pos < m_chatFrom)
                m_chatFrom = qMax(pos, m_chatFrom - removed + added);
            if (added > 0 && (m_chatFrom < 0 || pos < m_chatFrom))
                m_chatFrom = pos;
        });
        m_look = program.context().scheduler.createTimer(this);
        m_look->setInterval(kLookMs);
        connect(m_look, &Timer::timeout, this, [this] { look(); });
        m_look->setEnabled(true);
    }

    qint64 nowMs() const override { return m_p.context().scheduler.elapsedMs(); }

    web::StatusView status() const override
    {
        Form6 &f = m_p.form6();
        web::StatusView s;
        const int profile = f.selectedProfile();
        s.conference = profile >= 0 ? f.profiles()[size_t(profile)].callsign() : QString();
        s.linked = m_p.form321().linked();
        s.admin = f.adminState();
        s.talker = f.talker().trimmed();
        s.lastTalker = m_talker->text();
        s.stationInfo = m_stationInfo->toPlainText();
        s.talkLimitMinutes = m_limit->text().trimmed().toInt();
        s.countdownSeconds = m_countdown->text().trimmed().toInt();
        for (int n = 1; n <= 5; ++n) {
            TimedSlot &slot = m_p.timedSlots().slot(n);
            web::SlotView v;
            v.kind = n <= 3 ? QStringLiteral("unmute") : QStringLiteral("unban");
            v.number = n;
            v.call = slotCall(n)->text();
            v.running = slot.counting();
            v.secondsLeft = slotSeconds(n)->text().trimmed().toLongLong();
            s.timedSlots.append(v);
        }
        s.schedules = m_p.connectSchedule().lines() + m_p.autoBanSchedule().lines();
        return s;
    }

    web::ActionResult act(const web::ActionRequest &r, const QString &user) override
    {
        ModerationLog::Cause cause(&m_p.moderationLog(), QStringLiteral("web: %1").arg(user), r.call);
        web::ActionResult result;
        const bool ungated = r.name == QLatin1String("listing") && r.which == QLatin1String("stats");
        // The gate is asked without its message box: nobody is at the
        // program's screen to close it, and the page shows the answer.
        if (!ungated && r.name != QLatin1String("release") && m_p.adminGate().closed()) {
            result.why = QStringLiteral("Admin is disabled");
            return result;
        }
        if (r.name == QLatin1String("release"))
            return release(r.slot);
        ModerationActions &a = m_p.moderationActions();
        const Gate g = ungated ? Gate::Ungated : Gate::Consulted;
        const Span span = r.timedMinutes > 0 ? Span::Timed : Span::Untimed;
        const QString &n = r.name;
        const QString &notice = r.notice;
        Outcome o;
        if (n == QLatin1String("muteTalker")) {
            o = notice == QLatin1String("persistent")
                    ? a.mute(ModerationActions::kTalking, Notice::Quoted, Span::Persistent, Chat::Unchanged, g)
                    : a.mute(ModerationActions::kTalking, Notice::None, Span::Untimed, Chat::Shown, g);
        } else if (n == QLatin1String("disconnectTalker")) {
            o = a.disconnectStation(ModerationActions::kTalking, Chat::Shown, g);
        } else if (n == QLatin1String("mute")) {
            if (notice == QLatin1String("with"))
                o = a.mute(r.call, Notice::Plain, span, Chat::Shown, g);
            else if (notice == QLatin1String("persistent"))
                o = a.mute(r.call, Notice::Plain, Span::Persistent, Chat::Unchanged, g);
            else
                o = a.mute(r.call, Notice::None, span, span == Span::Timed ? Chat::Shown : Chat::Unchanged, g);
        } else if (n == QLatin1String("unmute")) {
            if (notice == QLatin1String("with"))
                o = a.unmute(r.call, Notice::Plain, Span::Untimed, Chat::Shown, g);
            else if (notice == QLatin1String("persistent"))
                o = a.unmute(r.call, Notice::Plain, Span::Persistent, Chat::Unchanged, g);
            else
                o = a.unmute(r.call, Notice::None, Span::Untimed, Chat::Unchanged, g);
        } else if (n == QLatin1String("disconnect")) {
            o = a.disconnect(r.call, Chat::Shown, g);
        } else if (n == QLatin1String("ban")) {
            o = a.ban(r.call, span == Span::Timed ? Notice::Quoted : Notice::None, span, g);
        } else if (n == QLatin1String("unban")) {
            o = a.unban(r.call, Notice::None, Chat::Unchanged, g);
        } else if (n == QLatin1String("unmuteAll")) {
            o = a.unmuteAll(Chat::Shown, g);
        } else if (n == QLatin1String("listing")) {
            static const QHash<QString, Listing> kinds = {
                {QStringLiteral("users"), Listing::Users},   {QStringLiteral("admins"), Listing::Admins},
                {QStringLiteral("muted"), Listing::Muted},   {QStringLiteral("banned"), Listing::Banned},
                {QStringLiteral("stats"), Listing::Stats}};
            o = a.listing(kinds.value(r.which), g);
        } else {
            result.why = QStringLiteral("no action '%1'").arg(n);
            return result;
        }
        result.done = o.kind == Outcome::Done;
        result.sent = o.sent;
        result.why = o.kind == Outcome::NoStation ? QStringLiteral("no station") : o.why;
        if (result.done && span == Span::Timed && (n == QLatin1String("mute") || n == QLatin1String("ban")))
            setSlotMinutes(n == QLatin1String("mute") ? 1 : 4, n == QLatin1String("mute") ? 3 : 5, r.call,
                           r.timedMinutes);
        return result;
    }

    web::ActionResult sendChat(const QString &text, const QString &user) override
    {
        ModerationLog::Cause cause(&m_p.moderationLog(), QStringLiteral("web: %1").arg(user));
        web::ActionResult result;
        try {
            m_p.messages().TXText(text);
            result.done = true;
        } catch (const std::exception &e) {
            result.why = QString::fromLocal8Bit(e.what());
            m_p.context().report(result.why);
        }
        return result;
    }

    QStringList logLines(int n) const override { return m_log.mid(qMax<qsizetype>(0, m_log.size() - n)); }
    QStringList chatLines(int n) const override { return lastLines(m_chat->toPlainText(), n); }

    void audit(const QString &what, const QString &cause) override
    {
        ModerationLog::Cause c(&m_p.moderationLog(), cause);
        m_p.moderationLog().action(what, QString());
    }

    void setListener(web::WebListener *listener) override { m_listener = listener; }

private:
    QLineEdit *slotCall(int n) const
    {
        static const char *names[] = {"Text4", "Text6", "Text8", "Text9", "Text5"};
        return controls::child<QLineEdit>(m_p.form321(), names[n - 1]);
    }
    QLabel *slotSeconds(int n) const
    {
        static const char *names[] = {"BeaconSeconds1", "BeaconSeconds2", "BeaconSeconds3", "BeaconSeconds4",
                                      "BeaconSeconds5"};
        return controls::child<QLabel>(m_p.form321(), names[n - 1]);
    }

    /// The slot that took call counts timedMinutes: its duration box, as
    /// the operator types it in the timed ban window.
    void setSlotMinutes(int first, int last, const QString &call, int minutes)
    {
        static const char *durations[] = {"BeaconPeriod1", "BeaconPeriod2", "BeaconPeriod3", "BeaconPeriod4",
                                          "BeaconPeriod5"};
        for (int n = first; n <= last; ++n)
            if (m_p.timedSlots().slot(n).counting() && slotCall(n)->text() == call) {
                skipOnError(m_p.context(), [&] {
                    controls::child<QLineEdit>(m_p.form321(), durations[n - 1])->setText(QString::number(minutes));
                });
                return;
            }
    }

    web::ActionResult release(int n)
    {
        web::ActionResult result;
        const QString call = slotCall(n)->text();
        if (call.isEmpty()) {
            result.why = QStringLiteral("slot %1 holds no station").arg(n);
            return result;
        }
        if (!m_p.form321().linked()) {
            result.why = QStringLiteral("No conference is linked, so %1 cannot be released now").arg(call);
            return result;
        }
        m_p.timedSlots().slot(n).Command_Click();
        result.done = slotCall(n)->text().isEmpty() || !m_p.timedSlots().slot(n).counting();
        if (!result.done)
            result.why = QStringLiteral("slot %1 was not released").arg(n);
        return result;
    }

    void readLogTail()
    {
        QFile file(m_p.moderationLog().path());
        if (!file.open(QIODevice::ReadOnly))
            return;
        const qint64 tail = 256 * 1024;
        if (file.size() > tail)
            file.seek(file.size() - tail);
        m_log = lastLines(QString::fromUtf8(file.readAll()), kKeptLogLines);
        if (file.size() > tail && !m_log.isEmpty())
            m_log.removeFirst(); // the first may be cut
    }

    void look()
    {
        if (!m_listener)
            return;
        if (m_chatFrom >= 0) {
            QTextCursor c(m_chat->document());
            c.setPosition(qMin(m_chatFrom, m_chat->document()->characterCount() - 1));
            c.movePosition(QTextCursor::StartOfBlock);
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            m_chatFrom = -1;
            for (const QString &line : c.selectedText().split(QChar::ParagraphSeparator))
                if (!line.trimmed().isEmpty())
                    m_listener->chatLine(line);
        }
        m_listener->statusMayHaveChanged();
    }

    Program &m_p;
    QLineEdit *m_talker;
    QPlainTextEdit *m_stationInfo;
    QLineEdit *m_limit;
    QLabel *m_countdown;
    QTextEdit *m_chat;
    QStringList m_log;
    int m_chatFrom = -1;
    Timer *m_look = nullptr;
    web::WebListener *m_listener = nullptr;
};

class Scripted final : public ScriptedWebConsole {
public:
    explicit Scripted(Program &program) : host(program) {}
    ~Scripted() override { console.reset(); }
    std::pair<int, QByteArray> request(const QByteArray &method, const QString &path, const QByteArray &body) override
    {
        return console->request(method, path, body);
    }
    ProgramHost host;
    std::unique_ptr<web::ScriptedConsole> console;
};

class RunningConsole final : public WebConsole {
public:
    RunningConsole(Program &program) : host(program) {}
    ~RunningConsole() override { server.reset(); }
    ProgramHost host;
    std::unique_ptr<QObject> server;
};

} // namespace

std::unique_ptr<WebConsole> WebConsole::start(Program &program, const QString &configDir)
{
    // Off unless web.ini says something: then the module is not even opened.
    const QFileInfo settings(QDir(configDir).filePath(QStringLiteral("web.ini")));
    if (!settings.exists() || settings.size() == 0)
        return nullptr;
    QString why;
    web::WebModule *module = openModule(why);
    if (!module) {
        program.context().report(why);
        return nullptr;
    }
    auto console = std::make_unique<RunningConsole>(program);
    console->server = module->start(console->host, configDir, why);
    if (!console->server) {
        if (!why.isEmpty())
            program.context().report(why);
        return nullptr;
    }
    return console;
}

std::unique_ptr<ScriptedWebConsole> ScriptedWebConsole::open(Program &program,
                                                             std::function<void(const QByteArray &)> pushed, QString &why)
{
    web::WebModule *module = openModule(why);
    if (!module)
        return nullptr;
    auto scripted = std::make_unique<Scripted>(program);
    scripted->console = module->script(scripted->host, std::move(pushed), why);
    if (!scripted->console)
        return nullptr;
    return scripted;
}

int runWebUserCommand(const QString &action, const QString &name, const QString &role, const QString &configDir)
{
    QString why;
    web::WebModule *module = openModule(why);
    if (!module) {
        std::fprintf(stderr, "gavelry: %s\n", qPrintable(why));
        return 1;
    }
    return module->users(action, name, role, configDir);
}

} // namespace gavelry
