#pragma once

#include <QString>

namespace gavelry::chat {

/// One conference chat line as the display shows it: everything up to and
/// including the first ">" is the sender, the rest the message. A line
/// without ">" (a server notice) has no sender.
struct ChatLine {
    QString sender;
    QString message;
};

ChatLine splitChatLine(const QString &line);

/// A received line made ready for the display: split, every CR of the
/// message followed by a LF, and the message once more with its stamp.
struct DisplayLine {
    QString sender;
    QString message;
    QString stamped;
};

DisplayLine displayLine(const QString &line, const QString &hhmm);

/// "(HH:MM) " in front of text: the stamp the display puts on incoming lines.
QString stampIncoming(const QString &hhmm, const QString &text);
/// "(HH:MM) >" in front of text: the stamp an outgoing line carries.
QString stampOutgoing(const QString &hhmm, const QString &text);

/// Whether text contains head immediately followed by tail: the same as
/// text.contains(head + tail), without building the joined string for
/// every line.
bool containsJoined(QStringView text, QStringView head, QStringView tail);

} // namespace gavelry::chat
