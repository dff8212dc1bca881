#include "moderation/ModerationActions.h"

#include "core/AdminGate.h"
#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "core/Form6.h"

#include <QLineEdit>

namespace gavelry {

using namespace moderation;
using channel::Marker;
namespace notice = channel::notice;

const QString ModerationActions::kTalking = QStringLiteral(".");

ModerationActions::ModerationActions(Form6 &form, AdminGate &gate)
    : m_form(form), m_gate(gate), m_steps(form), m_talker(controls::child<QLineEdit>(form, "Text1"))
{
}

template <class F>
Outcome ModerationActions::act(Gate gate, Chat chat, F &&steps)
{
    Outcome outcome;
    auto send = [&](const QString &line) {
        m_steps.send(line);
        outcome.sent.append(line);
    };
    auto stop = [&](Outcome::Kind kind, const QString &why) {
        outcome.kind = kind;
        outcome.why = why;
        if (!m_untold)
            m_steps.context().report(why);
    };
    if (gate == Gate::Consult && !gateAllows()) {
        outcome.kind = Outcome::GateClosed;
        outcome.why = QStringLiteral("Admin is disabled");
        return outcome;
    }
    try {
        if (chat == Chat::AwaitsReply)
            m_form.nListWait = ListWait::Operator;
        steps(send);
    } catch (const NotOneLineError &e) {
        stop(Outcome::NotOneLine, QString::fromLocal8Bit(e.what()));
    } catch (const ClientError &e) {
        stop(m_form.EchoLink() ? Outcome::SendFailed : Outcome::NoLink, QString::fromLocal8Bit(e.what()));
    } catch (const std::exception &e) {
        stop(Outcome::StepFailed, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        stop(Outcome::StepFailed, QStringLiteral("Unknown failure"));
    }
    return outcome;
}

Outcome ModerationActions::unsupported(const QString &why) const
{
    m_steps.context().report(QStringLiteral("Nothing sent: %1").arg(why));
    Outcome outcome;
    outcome.kind = Outcome::Unsupported;
    outcome.why = why;
    return outcome;
}

bool ModerationActions::gateAllows()
{
    try {
        return m_gate.allows();
    } catch (const std::exception &e) {
        m_steps.context().report(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void ModerationActions::show(Chat chat) const
{
    if (chat != Chat::Unchanged)
        m_steps.chat();
}

QString ModerationActions::named(const QString &call) const
{
    // The talker box holds what the station information named: text from
    // the network, kept to one line in every notice.
    return call == kTalking ? channel::oneLine(m_talker->text()) : call;
}

QString ModerationActions::releasedNotice(Notice notice, const QString &call, const QString &text) const
{
    if (m_form.timeStampAll())
        return m_steps.quotedNotice(Marker::Unmute, call, text);
    return channel::quotedNoticeUnstamped(Marker::Unmute, call,
                                          notice == Notice::ReleasedSpaced ? QLatin1Char(' ') + text : text);
}

Outcome ModerationActions::mute(const QString &call, Notice notice, Span span, Chat chat, Gate gate)
{
    if (notice == Notice::Bare && span != Span::Untimed)
        return unsupported(QStringLiteral("The mute message alone is neither timed nor persistent"));
    if (released(notice))
        return unsupported(QStringLiteral("A mute has no release notice"));
    return act(gate, chat, [&](const auto &send) {
        const QString command = span == Span::Persistent ? channel::mutePersistent(call) : channel::mute(call);
        if (notice == Notice::None) {
            send(command);
            if (span == Span::Timed) {
                m_steps.timedMuteHandOver(call);
                show(chat);
                m_steps.timedWindow();
            } else {
                show(chat);
            }
            return;
        }
        if (notice == Notice::Bare) {
            send(ModerationSteps::bareNotice(Marker::Mute, named(call), notice::kMutedAdmin));
            show(chat);
            return;
        }
        send(command);
        // The talking station's persistent mute is followed by its notice
        // at once; every other mute is echoed first.
        if (!(notice == Notice::Quoted && span == Span::Persistent))
            m_steps.echo();
        const bool persistent = span == Span::Persistent;
        // The notice is built (and stamped) before the chat window comes up.
        const QString line = notice == Notice::Quoted
            ? m_steps.quotedNotice(Marker::Mute, named(call),
                                   persistent ? notice::kTimeMutedContactAdmin : notice::kTimeMutedReconnect)
            : m_steps.plainNotice(Marker::Mute, named(call),
                                  notice == Notice::Bot ? notice::kMutedBot
                                      : persistent      ? notice::kMutedPersistentAdmin
                                                        : notice::kMutedAdmin);
        // A quoted notice follows the server's answer to the mute, shown first.
        if (notice == Notice::Quoted)
            show(chat);
        send(line);
        m_steps.echo();
        m_steps.clear();
        show(chat);
        if (span == Span::Timed) {
            m_steps.timedMuteHandOver(call);
            m_steps.timedWindow();
        }
    });
}

Outcome ModerationActions::unmute(const QString &call, Notice notice, Span span, Chat chat, Gate gate)
{
    if (span == Span::Timed)
        return unsupported(QStringLiteral("An unmute is not timed"));
    return act(gate, chat, [&](const auto &send) {
        const QString command = span == Span::Persistent ? channel::unmutePersistent(call) : channel::unmute(call);
        switch (notice) {
        case Notice::None:
            // Without a notice the unmute has always gone out twice in a row.
            send(command);
            send(command);
            show(chat);
            break;
        case Notice::Bare:
            send(ModerationSteps::bareNotice(Marker::Unmute, named(call), notice::kUnmutedAdmin));
            show(chat);
            break;
        case Notice::Released:
        case Notice::ReleasedSpaced:
            send(command);
            send(releasedNotice(notice, named(call), notice::kUnmutedBot));
            show(chat);
            break;
        case Notice::Plain:
        case Notice::Bot:
        case Notice::Quoted: {
            send(command);
            m_steps.echo();
            const QString line = notice == Notice::Quoted
                ? m_steps.quotedNotice(Marker::Unmute, named(call), notice::kUnmutedBot)
                : m_steps.plainNotice(Marker::Unmute, named(call),
                                      notice == Notice::Bot ? notice::kUnmutedBot : notice::kUnmutedAdmin);
            // The chat window comes up before the notice goes.
            show(chat);
            send(line);
            m_steps.echo();
            m_steps.clear();
            break;
        }
        }
    });
}

Outcome ModerationActions::disconnect(const QString &call, Chat chat, Gate gate)
{
    return act(gate, chat, [&](const auto &send) {
        send(channel::disconnect(call));
        m_steps.echo();
        m_steps.clear();
        show(chat);
    });
}

Outcome ModerationActions::ban(const QString &call, Notice notice, Span span, Gate gate)
{
    if (notice != Notice::None && notice != Notice::Quoted)
        return unsupported(QStringLiteral("A ban goes with a quoted notice or none"));
    if (span == Span::Persistent)
        return unsupported(QStringLiteral("A ban is not persistent"));
    return act(gate, Chat::Unchanged, [&](const auto &send) {
        if (notice == Notice::Quoted) {
            // Told first: once banned the station hears nothing more.
            send(m_steps.quotedNotice(Marker::Mute, named(call), notice::kTimedBan));
            m_steps.echo();
            m_steps.clear();
        }
        send(channel::disc(call));
        send(channel::banAdd(call));
        if (span != Span::Timed) {
            m_steps.clear();
            return;
        }
        m_steps.echo();
        m_steps.timedBanHandOver(call);
        m_steps.timedWindow();
    });
}

Outcome ModerationActions::unban(const QString &call, Notice notice, Chat chat, Gate gate)
{
    if (notice != Notice::None && !released(notice))
        return unsupported(QStringLiteral("An un-ban goes with a release notice or none"));
    return act(gate, chat, [&](const auto &send) {
        send(channel::banDelete(call));
        if (released(notice)) {
            send(releasedNotice(notice, call, notice::kUnbannedBot));
            show(chat);
            return;
        }
        m_steps.clear();
        show(chat);
    });
}

Outcome ModerationActions::banStation(const QString &call, Gate gate)
{
    return act(gate, Chat::Unchanged, [&](const auto &send) { send(channel::banAdd(call)); });
}

Outcome ModerationActions::unmuteAll(Chat chat, Gate gate)
{
    return act(gate, chat, [&](const auto &send) {
        send(channel::unmuteAll());
        show(chat);
    });
}

Outcome ModerationActions::listing(Listing kind, Gate gate)
{
    QString line;
    switch (kind) {
    case Listing::Banned: line = channel::banList(); break;
    case Listing::Muted: line = channel::listMuted(); break;
    case Listing::Users: line = channel::users(); break;
    case Listing::Attributes: line = channel::usersWithAttributes(); break;
    case Listing::Admins: line = channel::admins(); break;
    case Listing::Stats: line = channel::stats(); break;
    }
    // The lists of banned and muted stations come back as ordinary chat.
    const bool awaitsReply = kind != Listing::Banned && kind != Listing::Muted;
    const Chat chat = awaitsReply ? Chat::AwaitsReply : Chat::Shown;
    return act(gate, chat, [&](const auto &send) {
        send(line);
        if (kind == Listing::Attributes)
            m_steps.clear();
        show(chat);
    });
}

Outcome ModerationActions::lurk(bool on)
{
    return act(Gate::Ungated, Chat::Unchanged,
               [&](const auto &send) { send(on ? channel::lurk() : channel::delurk()); });
}

Outcome ModerationActions::connectStation(const QString &call, Gate gate)
{
    return act(gate, Chat::Unchanged, [&](const auto &send) { send(channel::connect(call)); });
}

Outcome ModerationActions::disconnectStation(const QString &call, Chat chat, Gate gate)
{
    return act(gate, chat, [&](const auto &send) {
        send(channel::disconnect(call));
        show(chat);
    });
}

Outcome ModerationActions::timedMute(const QString &call, Chat chat)
{
    return act(Gate::Ungated, chat, [&](const auto &) {
        m_steps.timedMuteHandOver(call);
        show(chat);
        m_steps.timedWindow();
    });
}

Outcome ModerationActions::noStation()
{
    m_steps.clear();
    Outcome outcome;
    outcome.kind = Outcome::NoStation;
    return outcome;
}

} // namespace gavelry
