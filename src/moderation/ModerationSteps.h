#pragma once

#include "channel/CommandChannel.h"
#include "core/Errors.h"

#include <QString>
#include <optional>
#include <stdexcept>

namespace gavelry {

class Form6;

/// The steps every moderation action is made of: the callsign prompt, the
/// send step, the notices, the echo in the chat window and bringing up the
/// chat and timed ban windows. ModerationActions puts these together in the
/// order each action needs; the buttons use the prompt.
class ModerationSteps {
public:
    explicit ModerationSteps(Form6 &form);

    Form6 &form() const { return m_form; }

    /// Runs a handler's steps; the first failure stops them and is
    /// reported, lines already sent stay sent.
    template <class F>
    void run(F &&steps) const
    {
        stopOnError(context(), std::forward<F>(steps));
    }

    /// Asks for a callsign with the modal input box. The answer comes back
    /// without blanks or line breaks at its ends (Cancel and a blank answer
    /// give ""). An answer with a line break inside is refused with a
    /// message and gives nothing: no callsign is two lines, and a break
    /// would end the command and start another.
    std::optional<QString> ask(const QString &prompt) const;

    /// The send step. A line holding a line break is never sent: the action
    /// stops there (NotOneLineError) and the operator is told.
    void send(const QString &line) const;
    /// Empties the outgoing-line buffer.
    void clear() const;

    /// The notice forms for call, stamped with the time of now where the form says so.
    QString quotedNotice(channel::Marker marker, const QString &call, const QString &text) const;
    QString plainNotice(channel::Marker marker, const QString &call, const QString &text) const;
    static QString bareNotice(channel::Marker marker, const QString &call, const QString &text);

    /// The chat window's echo after a send from the main window. Its line is
    /// empty: what the operator is typing in the chat window is not the
    /// action's, and stays where it is.
    void echo() const;
    /// Shows the chat window.
    void chat() const;
    /// Shows the timed ban window.
    void timedWindow() const;
    /// Hands call to a free timed un-mute (un-ban) slot.
    void timedMuteHandOver(const QString &call) const;
    void timedBanHandOver(const QString &call) const;

    /// A message box for the operator (the program's title).
    void tell(const QString &title, const QString &text) const;

    AppContext &context() const;

private:
    Form6 &m_form;
};

/// True when text holds a carriage return or a line feed.
bool hasLineBreak(const QString &text);

/// A line refused by the send step because it would not go out as one line.
class NotOneLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace gavelry
