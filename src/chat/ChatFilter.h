#pragma once

#include <QStringList>

namespace gavelry::chat {

/// The words no line may carry, whatever the operator put in the filter boxes.
const QStringList &builtInFilterWords();

/// Whether the bad-word filter drops line. The operator's words (boxWords)
/// are matched as typed when caseSensitive, the built-in words always
/// upper-cased against the upper-cased line; with caseSensitive off
/// everything is compared upper-cased.
///
/// A word counts only when its first occurrence starts after the line's
/// first character, so an empty word never matches and neither does a word
/// that opens the line.
bool filterDrops(const QString &line, const QStringList &boxWords, bool caseSensitive);
/// The same, for a caller that already holds the upper-cased line.
bool filterDrops(const QString &line, const QString &upperLine, const QStringList &boxWords, bool caseSensitive);

} // namespace gavelry::chat
