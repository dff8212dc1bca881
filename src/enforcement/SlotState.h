#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace gavelry {

enum class SlotKind { UnMute, UnBan };

/// A running timed slot as it outlives the program: which slot, what it
/// releases, the station, and the wall-clock time the release is due.
struct SlotRecord {
    int slot = 0; ///< 1-3 the un-mute slots, 4-5 the un-ban slots
    SlotKind kind = SlotKind::UnMute;
    QString call;
    /// Local wall-clock time (its zone is not looked at); none while the
    /// slot is held by a duration of 0 minutes.
    std::optional<QDateTime> due;
    bool operator==(const SlotRecord &other) const = default;
};

/// The file the running slots are kept in, in the configuration folder. Its
/// own small file: ban.ini keeps the layout other copies of the file share.
namespace slotstate {

inline constexpr int kSlots = 5;
inline const QString kFileName = QStringLiteral("timedslots.json");

/// The kind of slot number n (1-5).
SlotKind kindOf(int slot);

QByteArray format(const QList<SlotRecord> &records);
/// The records a file holds. Anything that cannot be read is left out and
/// said in problems: the file as a whole (empty, cut short, not the format),
/// or one record (an unknown slot, a kind that does not fit the slot, a
/// second record for a slot, a due time that is no time).
QList<SlotRecord> parse(const QByteArray &data, QStringList &problems);

/// Seconds from now until due, rounded up; 0 when due has passed.
qint64 secondsUntil(const QDateTime &now, const QDateTime &due);

/// Reads the file in folder; a missing file holds no records and is no problem.
QList<SlotRecord> read(const QString &folder, QStringList &problems);
/// Replaces the file atomically (a whole new file or the old one, never a
/// half-written one). Returns an empty string, or why it failed.
QString write(const QString &folder, const QList<SlotRecord> &records);

} // namespace slotstate

} // namespace gavelry
