#pragma once

#include "web/WebHost.h"

#include <QJsonObject>
#include <QMap>

namespace gavelry::web {

/// A station of the conference as its station information lists it.
struct StationEntry {
    QString call;
    QString name;
    bool talking = false;
    bool muted = false;
};

/// The stations of a conference's station information text: a "CONF ..."
/// head, a blank line, one station a line ("->" before the one talking,
/// " (Muted)" after a muted one), a blank line, then the banner. The
/// station talking comes first.
QList<StationEntry> parseStations(const QString &stationInfo);

QJsonObject statusJson(const StatusView &status);

/// What the WebSocket pushes, one JSON object each: the whole status, a
/// chat display line, a moderation log entry.
QJsonObject statusEvent(const StatusView &status);
QJsonObject chatEvent(const QString &line);
QJsonObject logEvent(const QString &entry);

/// Checks an action's name and JSON arguments. False with an HTTP status
/// (404 no such action, 400 arguments that do not fit) and why.
bool parseAction(const QString &name, const QJsonObject &args, ActionRequest &request, int &httpStatus, QString &why);

/// What the console counts of the moderation log for /metrics: commands
/// sent by kind and the talk-time limit's automatic mutes, since it started.
class LogCounters {
public:
    void take(const QString &entry);
    const QMap<QString, qint64> &commands() const { return m_commands; }
    qint64 autoMutes() const { return m_autoMutes; }

private:
    QMap<QString, qint64> m_commands;
    qint64 m_autoMutes = 0;
};

/// The Prometheus text exposition of status and counters.
QByteArray metricsText(const StatusView &status, const LogCounters &counters, int webClients);

} // namespace gavelry::web
