#include "web/StatusJson.h"

#include <cmath>

#include <QJsonArray>
#include <QRegularExpression>

namespace gavelry::web {

namespace {

const QString kAdminDisabled = QStringLiteral("Admin Disabled");

bool validCall(const QString &call)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9*/_-]{1,16}$"));
    return pattern.match(call).hasMatch();
}

} // namespace

QList<StationEntry> parseStations(const QString &stationInfo)
{
    QString text = stationInfo;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    QList<StationEntry> stations;
    qsizetype i = 0;
    if (i < lines.size() && lines[i].startsWith(QLatin1String("CONF ")))
        ++i;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    for (; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i) {
        QString line = lines[i].trimmed();
        StationEntry s;
        if (line.startsWith(QLatin1String("->"))) {
            s.talking = true;
            line = line.mid(2).trimmed();
        }
        if (line.endsWith(QLatin1String("(Muted)"), Qt::CaseInsensitive)) {
            s.muted = true;
            line.chop(7);
            line = line.trimmed();
        }
        const qsizetype blank = line.indexOf(u' ');
        s.call = blank < 0 ? line : line.left(blank);
        s.name = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        if (s.talking)
            stations.prepend(s);
        else
            stations.append(s);
    }
    return stations;
}

QJsonObject statusJson(const StatusView &status)
{
    QJsonArray stations;
    for (const StationEntry &s : parseStations(status.stationInfo))
        stations.append(QJsonObject{{QStringLiteral("call"), s.call},
                                    {QStringLiteral("name"), s.name},
                                    {QStringLiteral("talking"), s.talking},
                                    {QStringLiteral("muted"), s.muted}});
    QJsonArray slotList;
    for (const SlotView &s : status.timedSlots)
        slotList.append(QJsonObject{{QStringLiteral("kind"), s.kind},
                                 {QStringLiteral("number"), s.number},
                                 {QStringLiteral("call"), s.call},
                                 {QStringLiteral("running"), s.running},
                                 {QStringLiteral("secondsLeft"), s.secondsLeft}});
    return QJsonObject{{QStringLiteral("conference"), status.conference},
                       {QStringLiteral("linked"), status.linked},
                       {QStringLiteral("admin"), status.admin},
                       {QStringLiteral("talker"), status.talker},
                       {QStringLiteral("lastTalker"), status.lastTalker},
                       {QStringLiteral("stations"), stations},
                       {QStringLiteral("stationCount"), stations.size()},
                       {QStringLiteral("talkLimitMinutes"), status.talkLimitMinutes},
                       {QStringLiteral("countdownSeconds"), status.countdownSeconds},
                       {QStringLiteral("slots"), slotList},
                       {QStringLiteral("schedules"), QJsonArray::fromStringList(status.schedules)}};
}

QJsonObject statusEvent(const StatusView &status)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("status")}, {QStringLiteral("status"), statusJson(status)}};
}

QJsonObject chatEvent(const QString &line)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("chat")}, {QStringLiteral("line"), line}};
}

QJsonObject logEvent(const QString &entry)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("log")}, {QStringLiteral("entry"), entry}};
}

bool parseAction(const QString &name, const QJsonObject &args, ActionRequest &request, int &httpStatus, QString &why)
{
    // What each action takes: a callsign, a notice choice (the main window's
    // buttons for it), a timed span, a listing or a slot.
    struct Shape {
        const char *name;
        bool call;
        QStringList notices; ///< empty: no choice
        bool timed;
    };
    static const QList<Shape> shapes = {
        {"muteTalker", false, {QStringLiteral("without"), QStringLiteral("persistent")}, false},
        {"disconnectTalker", false, {}, false},
        {"mute", true, {QStringLiteral("with"), QStringLiteral("without"), QStringLiteral("persistent")}, true},
        {"unmute", true, {QStringLiteral("with"), QStringLiteral("without"), QStringLiteral("persistent")}, false},
        {"disconnect", true, {}, false},
        {"ban", true, {}, true},
        {"unban", true, {}, false},
        {"unmuteAll", false, {}, false},
        {"listing", false, {}, false},
        {"release", false, {}, false},
    };
    httpStatus = 400;
    const auto shape = std::find_if(shapes.begin(), shapes.end(), [&](const Shape &s) { return name == QLatin1String(s.name); });
    if (shape == shapes.end()) {
        httpStatus = 404;
        why = QStringLiteral("no action '%1'").arg(name);
        return false;
    }
    request = ActionRequest();
    request.name = name;
    auto text = [&](const char *key, QString &into) {
        const QJsonValue v = args.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return true;
        if (!v.isString()) {
            why = QStringLiteral("'%1' must be text").arg(QLatin1String(key));
            return false;
        }
        into = v.toString().trimmed();
        return true;
    };
    if (!text("call", request.call) || !text("notice", request.notice) || !text("which", request.which))
        return false;
    if (shape->call && !validCall(request.call)) {
        why = request.call.isEmpty() ? QStringLiteral("'call' is missing")
                                     : QStringLiteral("'%1' is no callsign").arg(request.call);
        return false;
    }
    if (!shape->call)
        request.call.clear();
    if (!request.notice.isEmpty() && !shape->notices.contains(request.notice)) {
        why = shape->notices.isEmpty() ? QStringLiteral("%1 takes no notice").arg(name)
                                       : QStringLiteral("'notice' is one of: %1").arg(shape->notices.join(QStringLiteral(", ")));
        return false;
    }
    const QJsonValue minutes = args.value(QStringLiteral("timedMinutes"));
    if (!minutes.isUndefined() && !minutes.isNull()) {
        const double m = minutes.toDouble(-1);
        if (!shape->timed) {
            why = QStringLiteral("%1 is not timed").arg(name);
            return false;
        }
        // The range first: a number out of int's range has no int to compare with.
        if (!minutes.isDouble() || m < 1 || m > 9999 || m != std::floor(m)) {
            why = QStringLiteral("'timedMinutes' is a whole number from 1 to 9999");
            return false;
        }
        if (request.notice == QLatin1String("persistent")) {
            why = QStringLiteral("a persistent mute is not timed");
            return false;
        }
        request.timedMinutes = int(m);
    }
    if (name == QLatin1String("listing")) {
        static const QStringList listings = {QStringLiteral("users"), QStringLiteral("admins"), QStringLiteral("muted"),
                                             QStringLiteral("banned"), QStringLiteral("stats")};
        if (!listings.contains(request.which)) {
            why = QStringLiteral("'which' is one of: %1").arg(listings.join(QStringLiteral(", ")));
            return false;
        }
    } else {
        request.which.clear();
    }
    if (name == QLatin1String("release")) {
        const QJsonValue slot = args.value(QStringLiteral("slot"));
        const double n = slot.toDouble(0);
        if (!slot.isDouble() || n < 1 || n > 5 || n != std::floor(n)) {
            why = QStringLiteral("'slot' is a number from 1 to 5");
            return false;
        }
        request.slot = int(n);
    }
    return true;
}

void LogCounters::take(const QString &entry)
{
    // date | what | station | cause
    const QStringList parts = entry.split(QStringLiteral(" | "));
    if (parts.size() < 4)
        return;
    const QString what = parts[1].trimmed();
    if (!what.startsWith(u'.'))
        return;
    const QString kind = what.mid(1).section(u' ', 0, 0).toLower();
    static const QRegularExpression word(QStringLiteral("^[a-z]{1,16}$"));
    if (!word.match(kind).hasMatch())
        return;
    ++m_commands[kind];
    if (kind == QLatin1String("mute") && parts.last().startsWith(QLatin1String("talk-time limit of")))
        ++m_autoMutes;
}

QByteArray metricsText(const StatusView &status, const LogCounters &counters, int webClients)
{
    QByteArray out;
    auto metric = [&](const char *name, const char *type, const char *help) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    };
    auto value = [&](const QByteArray &series, qint64 v) { out += series + ' ' + QByteArray::number(v) + '\n'; };
    const bool talking = !status.talker.trimmed().isEmpty();
    int running = 0;
    for (const SlotView &s : status.timedSlots)
        running += s.running ? 1 : 0;
    metric("gavelry_link_up", "gauge", "Whether a conference is linked.");
    value("gavelry_link_up", status.linked ? 1 : 0);
    metric("gavelry_admin_enabled", "gauge", "Whether the admin gate is open.");
    value("gavelry_admin_enabled", status.admin != kAdminDisabled ? 1 : 0);
    metric("gavelry_stations", "gauge", "Stations the station information lists.");
    value("gavelry_stations", parseStations(status.stationInfo).size());
    metric("gavelry_talker_seconds", "gauge", "How long the station talking now has talked.");
    value("gavelry_talker_seconds", talking ? qMax(0, status.talkLimitMinutes * 60 - status.countdownSeconds) : 0);
    metric("gavelry_commands_sent_total", "counter", "Sysop commands sent since the console started, by kind.");
    for (auto it = counters.commands().cbegin(); it != counters.commands().cend(); ++it)
        value("gavelry_commands_sent_total{kind=\"" + it.key().toLatin1() + "\"}", it.value());
    metric("gavelry_auto_mutes_total", "counter", "Mutes sent by the talk-time limit since the console started.");
    value("gavelry_auto_mutes_total", counters.autoMutes());
    metric("gavelry_timed_slots_running", "gauge", "Timed un-mute and un-ban slots counting down.");
    value("gavelry_timed_slots_running", running);
    metric("gavelry_web_clients", "gauge", "Pages following the console's live updates.");
    value("gavelry_web_clients", webClients);
    return out;
}

} // namespace gavelry::web
