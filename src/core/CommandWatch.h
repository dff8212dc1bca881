#pragma once

#include "channel/ServerAnswers.h"

#include <QList>
#include <QObject>
#include <QString>

namespace gavelry {

class AdminGate;
class Form6;
class ModerationLog;
class Timer;

/// Matches every dot-command the program sends with the server's answer.
///
/// A conference server answers the sender alone, with a text that has no
/// sender in front; a refusal says why ("No K2XYZ found."), and a wrong
/// password or a command from a station the server does not know as logged
/// on gets no answer at all. The watch keeps the commands sent, in order;
/// a text from the server settles the first one it answers, and ten seconds
/// of silence settle it as unanswered. The moderation log entry of each
/// command ends with its outcome; a refusal or a silence is also told on the
/// status line.
///
/// It also keeps the admin state true. While the state says the server
/// accepted our log-on, the watch asks the server now and then who is
/// logged on (".admins", an answer nobody else sees) and right away when a
/// command that needs the log-on went unanswered. A server restarted with
/// the link kept forgets every log-on without a word: when the answer no
/// longer lists our station, the gate closes and logOnForgotten is raised
/// (which logs on again when "Auto Enter Admin Password" is ticked).
class CommandWatch : public QObject {
    Q_OBJECT
public:
    /// How long the server has to answer a command.
    static constexpr int kAnswerWaitMs = 10000;
    /// How often the log-on is checked while the state says we have one;
    /// with the wait for the answer, a forgotten log-on is found within a
    /// minute, before any talk-time limit runs out.
    static constexpr int kCheckEveryMs = 45000;
    /// The question that checks the log-on: who is logged on.
    static const QString kCheck;

    CommandWatch(Form6 &form, AdminGate &gate, ModerationLog &log);

    /// A text from the server (no sender). True when it was the answer to the
    /// watch's own log-on check, which nobody else is to see.
    bool serverText(const QString &text);
    /// A line a sender sent: a logged-on sysop gets each ".quote" back as
    /// the conference's own chat line, its sender the conference.
    void conferenceLine(const QString &sender, const QString &message);

    /// Commands (and checks) still waiting for an answer.
    int waiting() const { return int(m_pending.size()); }

signals:
    /// The server no longer lists our station as logged on: the gate closed.
    void logOnForgotten();

private:
    struct Pending {
        int id = 0;         ///< the log entry, or a negative number for a check
        QString command;
        bool check = false;
    };

    void commandSent(int entry, const QString &line);
    void settle(qsizetype index, channel::Reply reply, const QString &text);
    void timedOut(int id);
    void checkTick();
    void checkNow();
    bool checkPending() const;
    bool mayCheck() const;
    void checkAnswered(const QString &text);

    Form6 &m_form;
    AdminGate &m_gate;
    ModerationLog &m_log;
    Timer *m_checkTimer = nullptr;
    QList<Pending> m_pending;
    int m_nextCheck = 0;
    qint64 m_lastCheckMs = -1;
    /// The server acknowledged a log-on since the watch last found it forgotten.
    bool m_acknowledged = false;
    /// An unanswered check was asked again; no more until one is answered.
    bool m_checkRetried = false;
};

} // namespace gavelry
