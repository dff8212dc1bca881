#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace gavelry {

enum class SlotKind { UnMute, UnBan };

/// A running timed slot as it outlives the program: which slot, what it
/// releases, the station, and the moment the release is due.
struct SlotRecord {
    int slot = 0; ///< 1-3 the un-mute slots, 4-5 the un-ban slots
    SlotKind kind = SlotKind::UnMute;
    QString call;
    /// A moment in UTC; none while the slot is held by a duration of 0
    /// minutes.
    std::optional<QDateTime> due;
    bool operator==(const SlotRecord &other) const = default;
};

/// The file the running slots are kept in, in the state folder. Its
/// own small file: ban.ini keeps the layout other copies of the file share.
namespace slotstate {

inline constexpr int kSlots = 5;
inline const QString kFileName = QStringLiteral("timedslots.json");

/// The kind of slot number n (1-5).
SlotKind kindOf(int slot);

/// Due times are written as zone's wall clock with its offset from UTC
/// ("2026-03-29T03:05:00+02:00"), in whole seconds, so that they read back
/// as the same moment whatever the zone does meanwhile.
QByteArray format(const QList<SlotRecord> &records, const QTimeZone &zone = QTimeZone::systemTimeZone());
/// The records a file holds. Anything that cannot be read is left out and
/// said in problems: the file as a whole (empty, cut short, not the format),
/// or one record (an unknown slot, a kind that does not fit the slot, more
/// records for a slot, a due time that is no time); a problem that repeats
/// is said once, with its count. A due time without an offset (files
/// written before due times carried one) is zone's wall clock: in the hour
/// a spring change skips it is read with the offset before the change, in
/// the hour an autumn change repeats as its first pass.
QList<SlotRecord> parse(const QByteArray &data, QStringList &problems,
                        const QTimeZone &zone = QTimeZone::systemTimeZone());

/// Seconds from now until due, rounded up; 0 when due has passed.
qint64 secondsUntil(const QDateTime &now, const QDateTime &due);

/// What read() found in the file's place.
enum class FileState {
    Missing,  ///< nothing: no slot ran
    Whole,    ///< read, and nothing in it left out (or it was empty)
    Damaged,  ///< a file that could not be read whole: it may hold the only
              ///< record of a running ban, so it is kept aside before the
              ///< file is written again
    NotAFile, ///< a FIFO, a device or a folder: not ours, never written over
};

/// Reads the file in folder; a missing file holds no records and is no
/// problem. Never blocks: a FIFO or device is not opened.
QList<SlotRecord> read(const QString &folder, QStringList &problems, FileState *state = nullptr);
/// Replaces the file atomically (a whole new file or the old one, never a
/// half-written one). Returns an empty string, or why it failed.
QString write(const QString &folder, const QList<SlotRecord> &records);
/// Moves the file in folder aside, unchanged, to the first free name of
/// timedslots.json.bak, timedslots.json.1.bak, ... (a link is moved, not
/// its target). Returns an empty string and the new name in keptAs, or why
/// it could not; the file then stays where it is.
QString keepAside(const QString &folder, QString &keptAs);

} // namespace slotstate

} // namespace gavelry
