#pragma once

#include "moderation/ModerationSteps.h"

#include <QString>
#include <QStringList>

class QLineEdit;

namespace gavelry {

class AdminGate;
class Form6;

namespace moderation {

/// The notice that goes with a moderation command.
enum class Notice {
    None,   ///< the command alone
    Plain,  ///< the operator's notice ("<<Admin>>"), stamped when "Time Stamp All Messages" is ticked
    Quoted, ///< the bot's notice ("<<Admin Bot>>") as a ".quote" line, always stamped
    Bot,    ///< the bot's notice in the plain form, as the DTMF rows send it
    Bare,   ///< the operator's notice alone, never stamped, and no command ("Mute Message")
    /// The notice of a timed slot that lifts a mute or a ban: quoted, stamped
    /// only when "Time Stamp All Messages" is ticked; command and notice go
    /// without an echo.
    Released,
    /// As Released, with two blanks before the unstamped text (un-ban slot 1).
    ReleasedSpaced,
};

/// How long a mute or a ban holds.
enum class Span {
    Untimed,    ///< the plain command: a mute holds until the station links again, a ban until lifted
    Persistent, ///< the "-p" form of a mute or an unmute
    Timed,      ///< the plain command, and a timed slot of the timed ban window lifts it
};

/// Whether an action consults the admin gate.
enum class Gate {
    Consult,   ///< ask it first: while admin is disabled only the not-authorised message comes
    Consulted, ///< the caller asked it already, before its prompt
    Ungated,   ///< never: DTMF commands, the schedules and the few ungated buttons
};

/// What the chat window does once the lines have gone.
enum class Chat {
    Unchanged,   ///< nothing
    Shown,       ///< it comes up, where the server's answer appears
    AwaitsReply, ///< the server's listing reply is awaited there (set before the send), and it comes up
};

/// The listings the server sends back as chat.
enum class Listing { Banned, Muted, Users, Attributes, Admins, Stats };

/// What an action did, or why it did nothing (or stopped half-way).
struct Outcome {
    enum Kind {
        Done,        ///< every step ran
        GateClosed,  ///< admin is disabled; the not-authorised message was shown, nothing sent
        NoStation,   ///< no callsign to act on; nothing sent, the outgoing line emptied
        Unsupported, ///< no such notice or span for this action; nothing sent, the operator told
        NoLink,      ///< the main window has no client to send through
        NotOneLine,  ///< a line held a line break and was not sent
        SendFailed,  ///< the client refused a line
        StepFailed,  ///< another step failed (a window it needed was not there)
    };
    Kind kind = Done;
    /// The lines that went out, in order (those before a failure too).
    QStringList sent;
    /// Why it did nothing or stopped; empty when Done or NoStation.
    QString why;

    /// A failure stops the caller's further steps; a refusal does not.
    bool failed() const { return kind >= NoLink; }
};

} // namespace moderation

/// The moderation actions as functions of values: a callsign, the notice
/// that goes with it, how long it holds and whether the admin gate is
/// consulted. Each runs the steps the operator's buttons have always run for
/// those values (the lines in their order, the echoes in the chat window,
/// the outgoing line emptied or kept, the windows that come up, the timed
/// slot hand-over) and returns what it sent. A failure stops the action at
/// that step; it is reported to the operator (status line and log) and the
/// lines already sent stay sent.
///
/// A callsign goes out as it is given: an empty one sends the bare command.
/// Callers whose empty callsign means nobody (an empty answer to a prompt,
/// an empty DTMF row) call noStation() instead.
class ModerationActions {
public:
    /// The callsign that addresses the station talking now (".mute ."); its
    /// notice names the station the talker box shows.
    static const QString kTalking;

    ModerationActions(Form6 &form, AdminGate &gate);

    /// ".mute CALL" (Persistent: "-p"). Notices: all kinds; Bare only untimed.
    moderation::Outcome mute(const QString &call, moderation::Notice notice, moderation::Span span,
                             moderation::Chat chat, moderation::Gate gate);
    /// ".unmute CALL" (Persistent: "-p"), sent twice without a notice, once
    /// with a Released one. Not timed.
    moderation::Outcome unmute(const QString &call, moderation::Notice notice, moderation::Span span,
                               moderation::Chat chat, moderation::Gate gate);
    /// ".disconnect CALL" as a moderation action: echoed, the outgoing line emptied.
    moderation::Outcome disconnect(const QString &call, moderation::Chat chat, moderation::Gate gate);
    /// ".disc CALL" then ".ban add CALL"; a quoted notice goes first, while
    /// the station can still hear it. Notices: None and Quoted; not persistent.
    moderation::Outcome ban(const QString &call, moderation::Notice notice, moderation::Span span,
                            moderation::Gate gate);
    /// ".ban delete CALL". Notices: None and Released.
    moderation::Outcome unban(const QString &call, moderation::Notice notice, moderation::Chat chat,
                              moderation::Gate gate);
    /// ".ban add CALL" alone, as the weekly auto-ban sends it after its own
    /// ".disconnect CALL".
    moderation::Outcome banStation(const QString &call, moderation::Gate gate);
    /// ".unmute -a".
    moderation::Outcome unmuteAll(moderation::Chat chat, moderation::Gate gate);
    /// A listing; the chat window comes up for the server's answer.
    moderation::Outcome listing(moderation::Listing kind, moderation::Gate gate);
    /// ".lurk" or ".delurk" (never gated).
    moderation::Outcome lurk(bool on);
    /// ".connect CALL": the conference links to a station or node.
    moderation::Outcome connectStation(const QString &call, moderation::Gate gate);
    /// ".disconnect CALL" alone, as the talker buttons, the station frames
    /// and the schedule send it.
    moderation::Outcome disconnectStation(const QString &call, moderation::Chat chat, moderation::Gate gate);
    /// Hands call to a free timed un-mute slot and brings up the timed ban
    /// window. An empty call takes a slot too; it runs out without sending.
    moderation::Outcome timedMute(const QString &call, moderation::Chat chat);

    /// While one lives, a failure is only returned, not reported: for a
    /// caller that tells the operator in its own words.
    class Untold {
    public:
        explicit Untold(ModerationActions &actions) : m_actions(actions), m_was(actions.m_untold)
        {
            actions.m_untold = true;
        }
        ~Untold() { m_actions.m_untold = m_was; }
        Untold(const Untold &) = delete;
        Untold &operator=(const Untold &) = delete;

    private:
        ModerationActions &m_actions;
        bool m_was;
    };

    /// Nobody to act on: nothing is sent and the outgoing line is emptied.
    moderation::Outcome noStation();
    /// The gate test of a button that asks for a callsign first: false,
    /// after the not-authorised message, while admin is disabled.
    bool gateAllows();

private:
    /// Runs steps (handed the send step, which records each line) after the
    /// gate; a failure stops them, is reported and becomes the outcome.
    template <class F>
    moderation::Outcome act(moderation::Gate gate, moderation::Chat chat, F &&steps);
    /// A refused combination of values: told in the status line, nothing sent.
    moderation::Outcome unsupported(const QString &why) const;
    void show(moderation::Chat chat) const;
    /// Who a notice names: the talker box for the station talking now.
    QString named(const QString &call) const;
    static bool released(moderation::Notice notice)
    {
        return notice == moderation::Notice::Released || notice == moderation::Notice::ReleasedSpaced;
    }
    /// A timed slot's notice for call.
    QString releasedNotice(moderation::Notice notice, const QString &call, const QString &text) const;

    Form6 &m_form;
    AdminGate &m_gate;
    ModerationSteps m_steps;
    QLineEdit *m_talker; ///< Text1: the station talking now
    bool m_untold = false;
};

} // namespace gavelry
