#include "enforcement/SlotState.h"

#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace gavelry::slotstate {

namespace {

/// Due times written before they carried an offset: the local wall clock.
const QString kWallClockFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

/// Due times from year 2 to 9998 in UTC stay within the years 1 to 9999 a
/// due time can be written with, whatever the zone's offset.
constexpr int kFirstYear = 2;
constexpr int kLastYear = 9998;

QString kindName(SlotKind kind) { return kind == SlotKind::UnMute ? QStringLiteral("unmute") : QStringLiteral("unban"); }

std::optional<SlotKind> kindFromName(const QString &name)
{
    if (name == QLatin1String("unmute"))
        return SlotKind::UnMute;
    if (name == QLatin1String("unban"))
        return SlotKind::UnBan;
    return std::nullopt;
}

/// t in UTC, in whole seconds as the file keeps it (the part of a second
/// is dropped, as the slot's one-second tick does not see it either).
QDateTime wholeSecondUtc(const QDateTime &t)
{
    const QDateTime utc = t.toUTC();
    return utc.addMSecs(-utc.time().msec());
}

/// The moment zone's clock shows date and time. Of an hour that is shown
/// twice (autumn) the first; an hour that is skipped (spring) is read with
/// the offset before the change, as a count run on from before it lands.
QDateTime fromWallClock(const QDate &date, const QTime &time, const QTimeZone &zone)
{
    const QDateTime naive(date, time, Qt::UTC);
    const int before = zone.offsetFromUtc(naive.addDays(-1));
    const int after = zone.offsetFromUtc(naive.addDays(1));
    for (const int offset : {qMax(before, after), qMin(before, after)}) {
        const QDateTime moment = naive.addSecs(-offset);
        if (zone.offsetFromUtc(moment) == offset)
            return moment;
    }
    return naive.addSecs(-before);
}

std::optional<QDateTime> dueFromText(const QString &text, const QTimeZone &zone)
{
    QDateTime moment;
    if (text.size() == kWallClockFormat.size()) {
        // Read as a date and a time, not as a local QDateTime: a time the
        // spring change skips is no local time to Qt.
        const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
        if (text.at(10) != u'T' || !date.isValid() || !time.isValid())
            return std::nullopt;
        moment = fromWallClock(date, time, zone);
    } else {
        const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
        if (!t.isValid() || t.timeSpec() == Qt::LocalTime) // no offset: whose clock?
            return std::nullopt;
        moment = t.toUTC();
    }
    if (!moment.isValid())
        return std::nullopt;
    moment = wholeSecondUtc(moment);
    if (moment.date().year() < kFirstYear || moment.date().year() > kLastYear)
        return std::nullopt;
    return moment;
}

QString dueText(const QDateTime &due, const QTimeZone &zone)
{
    const QDateTime moment = wholeSecondUtc(due);
    const int offset = zone.offsetFromUtc(moment);
    // An offset of odd seconds (a zone's mean solar time of long ago) cannot
    // be written in hours and minutes: such a moment goes in UTC.
    return moment.toOffsetFromUtc(offset % 60 == 0 ? offset : 0).toString(Qt::ISODate);
}

/// One record, or why it cannot be taken.
std::optional<SlotRecord> record(const QJsonValue &value, const QTimeZone &zone, QString &problem)
{
    const QJsonObject o = value.toObject();
    const QJsonValue slot = o.value(QLatin1String("slot"));
    const int n = slot.isDouble() ? slot.toInt(0) : 0;
    if (n < 1 || n > kSlots || slot.toDouble() != n) {
        problem = QStringLiteral("a record names no slot from 1 to %1").arg(kSlots);
        return std::nullopt;
    }
    const std::optional<SlotKind> kind = kindFromName(o.value(QLatin1String("kind")).toString());
    if (!kind || *kind != kindOf(n)) {
        problem = QStringLiteral("slot %1 has a kind that does not fit it").arg(n);
        return std::nullopt;
    }
    const QJsonValue call = o.value(QLatin1String("call"));
    if (!call.isString()) {
        problem = QStringLiteral("slot %1 has no callsign").arg(n);
        return std::nullopt;
    }
    // The callsign goes into the release command the bot sends: a line
    // break or other control character in it could make that two lines.
    const QString text = call.toString();
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; })) {
        problem = QStringLiteral("slot %1 has a callsign with a control character").arg(n);
        return std::nullopt;
    }
    SlotRecord r{n, *kind, call.toString(), std::nullopt};
    const QJsonValue due = o.value(QLatin1String("due"));
    if (due.isNull() || due.isUndefined())
        return r; // held
    r.due = dueFromText(due.toString(), zone);
    if (!r.due) {
        problem = QStringLiteral("slot %1 has a due time that is no time").arg(n);
        return std::nullopt;
    }
    return r;
}

/// Problems in the order they were first met, each said once with how
/// often it came: a file of thousands of copies of one bad record gives one
/// line. The texts name at most a slot, so there are few of them.
class ProblemList {
public:
    void add(const QString &problem)
    {
        for (auto &[text, count] : m_list)
            if (text == problem) {
                ++count;
                return;
            }
        m_list.append({problem, 1});
    }
    void appendTo(QStringList &out) const
    {
        for (const auto &[text, count] : m_list)
            out.append(count == 1 ? text : QStringLiteral("%1 (%2 records)").arg(text).arg(count));
    }

private:
    QList<std::pair<QString, qsizetype>> m_list;
};

} // namespace

SlotKind kindOf(int slot) { return slot <= 3 ? SlotKind::UnMute : SlotKind::UnBan; }

QByteArray format(const QList<SlotRecord> &records, const QTimeZone &zone)
{
    QJsonArray list;
    for (const SlotRecord &r : records) {
        QJsonObject o{{QStringLiteral("slot"), r.slot},
                      {QStringLiteral("kind"), kindName(r.kind)},
                      {QStringLiteral("call"), r.call}};
        o.insert(QStringLiteral("due"), r.due ? QJsonValue(dueText(*r.due, zone)) : QJsonValue());
        list.append(o);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("slots"), list}}).toJson(QJsonDocument::Indented);
}

QList<SlotRecord> parse(const QByteArray &data, QStringList &problems, const QTimeZone &zone)
{
    QList<SlotRecord> records;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()
        || !doc.object().value(QLatin1String("slots")).isArray()) {
        problems.append(data.trimmed().isEmpty() ? QStringLiteral("the file is empty")
                                                 : QStringLiteral("the file is not a list of slots"));
        return records;
    }
    ProblemList found;
    qsizetype more[kSlots + 1] = {}; // records after the first one of a slot
    bool taken[kSlots + 1] = {};
    for (const QJsonValue &v : doc.object().value(QLatin1String("slots")).toArray()) {
        QString problem;
        const std::optional<SlotRecord> r = record(v, zone, problem);
        if (!r) {
            found.add(problem);
            continue;
        }
        if (taken[r->slot]) {
            ++more[r->slot];
            continue;
        }
        taken[r->slot] = true;
        records.append(*r);
    }
    found.appendTo(problems);
    for (int n = 1; n <= kSlots; ++n) {
        if (more[n] == 1)
            problems.append(QStringLiteral("slot %1 is named twice").arg(n));
        else if (more[n] > 1)
            problems.append(QStringLiteral("slot %1 is named %2 times: the first is taken, %3 more records for slot %1 "
                                           "were left out")
                                .arg(n)
                                .arg(more[n] + 1)
                                .arg(more[n]));
    }
    return records;
}

qint64 secondsUntil(const QDateTime &now, const QDateTime &due)
{
    const qint64 ms = now.msecsTo(due);
    if (ms <= 0)
        return 0;
    return (ms + 999) / 1000;
}

QList<SlotRecord> read(const QString &folder, QStringList &problems, FileState *state)
{
    FileState found = FileState::Whole;
    QList<SlotRecord> records;
    const QString path = QDir(folder).filePath(kFileName);
    // A state file is a few hundred bytes; anything far larger, or anything
    // but a regular file, is not read.
    const safefile::ReadResult file = safefile::read(path);
    switch (file.state) {
    case safefile::ReadResult::State::Missing:
        found = FileState::Missing;
        break;
    case safefile::ReadResult::State::Refused: {
        problems.append(QStringLiteral("the file %1").arg(file.why));
        struct stat st {};
        const bool there = ::stat(QFile::encodeName(path).constData(), &st) == 0;
        found = there && !S_ISREG(st.st_mode) ? FileState::NotAFile : FileState::Damaged;
        break;
    }
    case safefile::ReadResult::State::Read: {
        const qsizetype before = problems.size();
        records = parse(file.data, problems);
        // An empty file holds nothing to lose.
        if (problems.size() > before && !file.data.trimmed().isEmpty())
            found = FileState::Damaged;
        break;
    }
    }
    if (state)
        *state = found;
    return records;
}

QString write(const QString &folder, const QList<SlotRecord> &records)
{
    return safefile::replace(QDir(folder).filePath(kFileName), format(records));
}

QString keepAside(const QString &folder, QString &keptAs)
{
    const QDir dir(folder);
    const QByteArray from = QFile::encodeName(dir.filePath(kFileName));
    int error = 0;
    for (int n = 0; n < 100; ++n) {
        const QString name = n == 0 ? kFileName + QStringLiteral(".bak") : QStringLiteral("%1.%2.bak").arg(kFileName).arg(n);
        const QByteArray to = QFile::encodeName(dir.filePath(name));
        // Never over an earlier one: it may hold bans of its own.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            keptAs = name;
            return QString();
        }
        error = errno;
        if (error == EINVAL || error == ENOSYS) { // a file system without it
            struct stat st {};
            if (::lstat(to.constData(), &st) == 0)
                continue;
            if (::rename(from.constData(), to.constData()) == 0) {
                keptAs = name;
                return QString();
            }
            error = errno;
        }
        if (error != EEXIST)
            break;
    }
    return QStringLiteral("%1 could not be moved aside (%2)")
        .arg(QDir::toNativeSeparators(dir.filePath(kFileName)),
             error == EEXIST ? QStringLiteral("every name for it is taken") : QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace gavelry::slotstate
