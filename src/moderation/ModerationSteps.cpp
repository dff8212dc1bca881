#include "moderation/ModerationSteps.h"

#include "platform/Dialogs.h"
#include "core/Form6.h"
#include "platform/Scheduler.h"
#include "Version.h"

namespace gavelry {

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

ModerationSteps::ModerationSteps(Form6 &form) : m_form(form) {}

AppContext &ModerationSteps::context() const { return m_form.context(); }

std::optional<QString> ModerationSteps::ask(const QString &prompt) const
{
    const QString answer = context().dialogs.inputBox(prompt).trimmed();
    if (hasLineBreak(answer)) {
        tell(QString::fromLatin1(kProductName),
             QStringLiteral("A callsign is one line without line breaks; nothing was sent. Please enter it again."));
        return std::nullopt;
    }
    return answer;
}

void ModerationSteps::send(const QString &line) const
{
    // A line break would end the line early and let the rest reach the
    // server as a second line of its own.
    if (hasLineBreak(line))
        throw NotOneLineError(
            QStringLiteral("Not sent, it holds a line break: %1").arg(QString(line).replace(u'\r', u' ').replace(u'\n', u' '))
                .toStdString());
    m_form.Send(line);
}

void ModerationSteps::clear() const { m_form.sTextSay.clear(); }

QString ModerationSteps::quotedNotice(channel::Marker marker, const QString &call, const QString &text) const
{
    return channel::quotedNotice(context().scheduler.hhmm(), marker, call, text);
}

QString ModerationSteps::plainNotice(channel::Marker marker, const QString &call, const QString &text) const
{
    return channel::plainNotice(m_form.timeStampAll(), context().scheduler.hhmm(), marker, call, text);
}

QString ModerationSteps::bareNotice(channel::Marker marker, const QString &call, const QString &text)
{
    return channel::bareNotice(marker, call, text);
}

void ModerationSteps::echo() const
{
    if (ChatWindow *chatWindow = context().windows.messages)
        chatWindow->TXText2(QString());
}

void ModerationSteps::chat() const
{
    if (ChatWindow *w = context().windows.messages)
        w->showWindow();
}

void ModerationSteps::timedWindow() const
{
    if (TimedBanWindow *w = context().windows.form321)
        w->showWindow();
}

void ModerationSteps::timedMuteHandOver(const QString &call) const
{
    // An empty callsign takes a slot too; the slot runs out without sending.
    if (TimedBanWindow *w = context().windows.form321)
        w->timedMuteHandOver(call);
}

void ModerationSteps::timedBanHandOver(const QString &call) const
{
    if (TimedBanWindow *w = context().windows.form321)
        w->timedBanHandOver(call);
}

void ModerationSteps::tell(const QString &title, const QString &text) const
{
    context().dialogs.messageBox(text, title, MsgButtons::Ok, MsgIcon::Information);
}

} // namespace gavelry
