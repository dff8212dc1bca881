#include "SlotState.h"

#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace gavelry::slotstate {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QString kindName(SlotKind kind) { return kind == SlotKind::UnMute ? QStringLiteral("unmute") : QStringLiteral("unban"); }

std::optional<SlotKind> kindFromName(const QString &name)
{
    if (name == QLatin1String("unmute"))
        return SlotKind::UnMute;
    if (name == QLatin1String("unban"))
        return SlotKind::UnBan;
    return std::nullopt;
}

QDateTime wallClock(const QDateTime &t) { return QDateTime(t.date(), t.time(), Qt::UTC); }

/// One record, or why it cannot be taken.
std::optional<SlotRecord> record(const QJsonValue &value, QString &problem)
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
    const QDateTime t = QDateTime::fromString(due.toString(), kDateFormat);
    if (!t.isValid()) {
        problem = QStringLiteral("slot %1 has a due time that is no time").arg(n);
        return std::nullopt;
    }
    r.due = wallClock(t);
    return r;
}

} // namespace

SlotKind kindOf(int slot) { return slot <= 3 ? SlotKind::UnMute : SlotKind::UnBan; }

QByteArray format(const QList<SlotRecord> &records)
{
    QJsonArray list;
    for (const SlotRecord &r : records) {
        QJsonObject o{{QStringLiteral("slot"), r.slot},
                      {QStringLiteral("kind"), kindName(r.kind)},
                      {QStringLiteral("call"), r.call}};
        o.insert(QStringLiteral("due"), r.due ? QJsonValue(r.due->toString(kDateFormat)) : QJsonValue());
        list.append(o);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("slots"), list}}).toJson(QJsonDocument::Indented);
}

QList<SlotRecord> parse(const QByteArray &data, QStringList &problems)
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
    bool taken[kSlots + 1] = {};
    for (const QJsonValue &v : doc.object().value(QLatin1String("slots")).toArray()) {
        QString problem;
        const std::optional<SlotRecord> r = record(v, problem);
        if (!r) {
            problems.append(problem);
            continue;
        }
        if (taken[r->slot]) {
            problems.append(QStringLiteral("slot %1 is named twice").arg(r->slot));
            continue;
        }
        taken[r->slot] = true;
        records.append(*r);
    }
    return records;
}

qint64 secondsUntil(const QDateTime &now, const QDateTime &due)
{
    const qint64 ms = wallClock(now).msecsTo(wallClock(due));
    if (ms <= 0)
        return 0;
    return (ms + 999) / 1000;
}

QList<SlotRecord> read(const QString &folder, QStringList &problems)
{
    // A state file is a few hundred bytes; anything far larger, or anything
    // but a regular file, is not ours and is not read.
    const safefile::ReadResult file = safefile::read(QDir(folder).filePath(kFileName));
    switch (file.state) {
    case safefile::ReadResult::State::Missing:
        return {};
    case safefile::ReadResult::State::Refused:
        problems.append(QStringLiteral("the file %1").arg(file.why));
        return {};
    case safefile::ReadResult::State::Read:
        break;
    }
    return parse(file.data, problems);
}

QString write(const QString &folder, const QList<SlotRecord> &records)
{
    return safefile::replace(QDir(folder).filePath(kFileName), format(records));
}

} // namespace gavelry::slotstate
