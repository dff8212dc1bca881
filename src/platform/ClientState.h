#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace gavelry {

/// What the program knows of its client: the local callsign, the stations
/// linked now, and whether the client answers at all. The backend keeps it
/// up to date on the GUI thread as its events arrive, so that the questions
/// the windows ask many times a second (is this conference linked? how many
/// links?) are answered at once from here, never by waiting on a network or
/// another thread.
class ClientState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// False while the client cannot be reached: every question then fails
    /// as a call to the client would.
    bool answering() const { return m_answering; }
    void setAnswering(bool answering) { m_answering = answering; }

    /// The callsign the client runs under.
    QString localCallsign() const;
    void setLocalCallsign(const QString &call) { m_local = call; }

    /// The stations linked now, upper case, in the order they came up.
    const QStringList &links() const { return m_links; }
    /// Records that the link to call came up or dropped.
    void linkUp(const QString &call);
    void linkDown(const QString &call);
    void clearLinks();

    int connectionCount() const;
    /// Whether call (any case) is linked now; never for an empty callsign.
    bool isConnected(const QString &call) const;

signals:
    /// A link came up or went down.
    void linksChanged();

private:
    void requireAnswer() const;

    bool m_answering = true;
    QString m_local;
    QStringList m_links;
};

} // namespace gavelry
