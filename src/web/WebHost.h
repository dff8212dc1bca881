#pragma once

// What the web console needs of the program, as values. The program
// implements WebHost; the console (built as a module the program loads only
// when the console is configured) never includes a window or a behaviour
// class, so this header is all the two share.

#include <QList>
#include <QString>
#include <QStringList>

namespace gavelry::web {

/// One timed slot of the timed ban window.
struct SlotView {
    QString kind;           ///< "unmute" (slots 1-3) or "unban" (slots 4-5)
    int number = 0;         ///< 1 to 5
    QString call;           ///< the station it holds; empty when none
    bool running = false;   ///< counting down
    qint64 secondsLeft = 0; ///< what its count shows
};

/// The main window's state as it shows it.
struct StatusView {
    QString conference;       ///< the selected profile's conference callsign
    bool linked = false;      ///< the client has a link up
    QString admin;            ///< the admin state box text
    QString talker;           ///< the station talking now (trimmed; empty when nobody)
    QString lastTalker;       ///< the last station to talk
    QString stationInfo;      ///< the station information text as the conference sent it
    int talkLimitMinutes = 0; ///< the talk-time limit box
    int countdownSeconds = 0; ///< the talk-time countdown
    QList<SlotView> timedSlots;   ///< the five timed slots, 1 to 5
    QStringList schedules;    ///< the connect and auto-ban schedules, one line an entry
};

/// A moderation action asked for from the console, its arguments checked.
struct ActionRequest {
    QString name;          ///< muteTalker, mute, unmute, disconnect, ban, unban, unmuteAll, listing, release ...
    QString call;          ///< the station, for the actions that take one
    QString notice;        ///< "with", "without" or "persistent"; empty: the action's plain form
    int timedMinutes = 0;  ///< above 0: a timed mute or ban, released after that many minutes
    QString which;         ///< listing: users, admins, muted, banned, stats
    int slot = 0;          ///< release: 1 to 5
};

/// What an action did.
struct ActionResult {
    bool done = false;
    QString why;      ///< why not, when not done
    QStringList sent; ///< the lines that went out
};

/// Told by the program when something the console shows may have changed.
class WebListener {
public:
    virtual ~WebListener() = default;
    /// The status may have changed (called often; the console compares).
    virtual void statusMayHaveChanged() = 0;
    /// A line of the chat display, as the chat window shows it.
    virtual void chatLine(const QString &line) = 0;
    /// An entry of the moderation log, as written.
    virtual void logLine(const QString &entry) = 0;
};

class WebHost {
public:
    virtual ~WebHost() = default;
    /// The program's clock, in milliseconds (virtual time in tests and scenario runs).
    virtual qint64 nowMs() const = 0;
    virtual StatusView status() const = 0;
    /// Runs an action for user, who becomes its cause in the moderation log.
    virtual ActionResult act(const ActionRequest &request, const QString &user) = 0;
    /// Sends text to the conference chat as the operator's typing does.
    virtual ActionResult sendChat(const QString &text, const QString &user) = 0;
    /// The last lines of the moderation log and of the chat display, oldest first.
    virtual QStringList logLines(int lines) const = 0;
    virtual QStringList chatLines(int lines) const = 0;
    /// Something the console did that belongs in the moderation log (a
    /// log-in, a refused one), with its cause.
    virtual void audit(const QString &what, const QString &cause) = 0;
    /// At most one listener; null to stop.
    virtual void setListener(WebListener *listener) = 0;
};

} // namespace gavelry::web
