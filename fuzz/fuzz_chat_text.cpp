// The chat receive rules: line split, display line, the word filter, private
// lines and their log entries and acknowledgement, and the emoticon pass.
// The first input line is the local callsign; the rest is one received line.
// Properties: the split gives the line back whole, the emoticon pieces give
// the text back with the codes of their pictures, and an acknowledgement
// (which the bot sends) never carries a line break.
#include "chat/ChatFilter.h"
#include "chat/ChatLine.h"
#include "chat/Emoticons.h"
#include "FuzzCheck.h"
#include "chat/PrivateMessage.h"

#include <QStringList>
#include <cstdint>

using namespace gavelry::chat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString all = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nl = all.indexOf(QLatin1Char('\n'));
    const QString localCall = nl < 0 ? QStringLiteral("N0CALL") : all.left(nl);
    const QString line = nl < 0 ? all : all.mid(nl + 1);

    const ChatLine split = splitChatLine(line);
    FUZZ_CHECK(split.sender + split.message == line);
    const DisplayLine shown = displayLine(line, QStringLiteral("12:34"));
    FUZZ_CHECK(shown.sender == split.sender);

    const QStringList words{localCall, QStringLiteral("BAD"), QString()};
    (void)filterDrops(line, words, true);
    (void)filterDrops(line, words, false);

    const QString tag = privateTag(localCall);
    if (isPrivateLine(line, {tag, QString()})) {
        const QString entry = receivedLogEntry(line, tag);
        FUZZ_CHECK(entry.endsWith(QLatin1String("\r\n")));
        if (const auto ack = acknowledgement(line, localCall)) {
            FUZZ_CHECK(!ack->contains(QLatin1Char('\r')) && !ack->contains(QLatin1Char('\n')));
            FUZZ_CHECK(ack->startsWith(QLatin1Char(':')) && ack->endsWith(QLatin1Char('~')));
        }
    }
    if (const auto ack = acknowledgement(line, localCall))
        FUZZ_CHECK(!ack->contains(QLatin1Char('\r')) && !ack->contains(QLatin1Char('\n')));
    (void)sentLogEntry(localCall, QStringLiteral("12:34"), line);

    const QList<EmoticonPiece> pieces = replaceEmoticons(split.message);
    qsizetype length = 0;
    for (const EmoticonPiece &p : pieces) {
        FUZZ_CHECK(p.icon >= -1 && p.icon < kIconCount);
        FUZZ_CHECK(p.icon >= 0 || !p.text.isEmpty());
        length += p.text.size();
    }
    FUZZ_CHECK(length <= split.message.size());
    return 0;
}
