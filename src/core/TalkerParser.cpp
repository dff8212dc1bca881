#include "core/TalkerParser.h"

#include "channel/CommandChannel.h"

namespace gavelry::talker {

namespace {

const QString kCR = QStringLiteral("\r");
const QString kCRLF = QStringLiteral("\r\n");
constexpr QLatin1StringView kArrow("->");

} // namespace

std::optional<QString> talkerOf(const QString &t)
{
    const qsizetype arrow = t.indexOf(kArrow);
    if (arrow < 0)
        return std::nullopt;
    // A line break becomes a blank, so a callsign at the end of a line ends
    // at the break; so does a NUL or a Unicode line separator. The talker
    // goes into commands and notices: it must never hold a second line.
    const QString flat = channel::oneLine(t);
    // The conference writes the talker right after its arrow. Counting from
    // the arrow rather than from the first ">" keeps a ">" in a station's
    // name or location on an earlier line from being taken for the talker.
    const QString afterArrow = flat.mid(arrow + kArrow.size());
    const qsizetype blank = afterArrow.indexOf(QLatin1Char(' '));
    // No blank after the callsign: the text ends with it, so the whole
    // remainder is the talker.
    return blank < 0 ? afterArrow : afterArrow.left(blank);
}

StationText parseStationText(const QString &sText)
{
    QString t = sText;
    t.replace(kCR, kCRLF);
    StationText result;
    result.talker = talkerOf(t);
    result.display = t + kCRLF;
    return result;
}

} // namespace gavelry::talker
