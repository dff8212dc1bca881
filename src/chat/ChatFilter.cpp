#include "chat/ChatFilter.h"

namespace gavelry::chat {

const QStringList &builtInFilterWords()
{
    static const QStringList words{
        QStringLiteral("fuck"),   QStringLiteral("Piss"),    QStringLiteral("wank"),
        QStringLiteral("cunt"),   QStringLiteral("shag"),    QStringLiteral("bastard"),
        QStringLiteral("tosser"), QStringLiteral("shit"),    QStringLiteral("bollocks"),
        QStringLiteral("pussy"),
    };
    return words;
}

namespace {

// The first occurrence decides: a word found at the very first character
// does not count even when it occurs again further on.
bool foundAfterFirst(const QString &haystack, const QString &word)
{
    return haystack.indexOf(word) > 0;
}

} // namespace

bool filterDrops(const QString &line, const QStringList &boxWords, bool caseSensitive)
{
    return filterDrops(line, line.toUpper(), boxWords, caseSensitive);
}

bool filterDrops(const QString &line, const QString &upper, const QStringList &boxWords, bool caseSensitive)
{
    static const QStringList builtInUpper = [] {
        QStringList words;
        for (const QString &word : builtInFilterWords())
            words.append(word.toUpper());
        return words;
    }();
    for (const QString &word : boxWords) {
        if (word.isEmpty()) // never found after the first character
            continue;
        if (caseSensitive ? foundAfterFirst(line, word) : foundAfterFirst(upper, word.toUpper()))
            return true;
    }
    for (const QString &word : builtInUpper) {
        if (foundAfterFirst(upper, word))
            return true;
    }
    return false;
}

} // namespace gavelry::chat
