#pragma once

#include "platform/sim/SimClient.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace gavelry {

/// A simulated conference server. It keeps its stations, the one that is
/// talking, the muted and banned lists and who is logged on as admin or
/// sysop, and it behaves toward the local station the way a conference
/// server does: it carries out the sysop dot-commands the local station
/// sends and answers to that station only, with lines ended by CR and no
/// "CALL>" in front; a wrong password or a command that needs a log-on gets
/// no answer at all. It relays the audio of unmuted stations (the client's
/// RX), sends its station list when a station joins or leaves and when the
/// talker changes, drops a chat line a station repeats within ten seconds,
/// refuses for a while a station it dropped, and passes the stations' chat
/// and DTMF on.
///
/// Everything it raises on the client while the local station is linked to
/// it; everything the local station sends it handles after a short delay, so
/// the program's send call never sees the reply inside itself.
class SimConference : public SimRemote {
    Q_OBJECT
public:
    SimConference(SimClient &client, const QString &callsign, QString adminPassword,
                  QString sysopPassword, QObject *parent = nullptr);
    ~SimConference() override;

    // SimRemote
    QString callsign() const override { return m_call; }
    QString name() const override { return QStringLiteral("Conference"); }
    /// A banned local station is refused.
    bool acceptLink() override;
    void linked() override;
    void unlinked() override;
    void chatFromLocal(const QString &text) override;

    SimClient &client() const { return m_client; }

    /// A line the local station sent, as the conference got it.
    struct Received {
        qint64 ms = 0;
        QString text;
        bool relayed = false; ///< passed on to the stations (false: a command, or dropped)
        bool command = false;
    };
    /// How long a dropped (disconnected or banned) station is refused.
    static constexpr int kRejoinRefusedMs = 40000;
    /// A chat line repeated by one station within this long is dropped.
    static constexpr int kRepeatDroppedMs = 10000;

    /// Every line the local station sent while linked, in order.
    const QList<Received> &received() const { return m_received; }
    void setKeepReceived(bool keep) { m_keepReceived = keep; }

    /// Delay before a command is carried out and answered (default 200 ms).
    void setReplyDelay(int ms) { m_replyDelay = ms; }
    /// Delay before a station the conference connects to comes in.
    void setConnectDelay(int ms) { m_connectDelay = ms; }
    int maxStations() const { return m_maxStations; }

    // The stations (callsigns compare without regard to case).
    /// A station links in. False when it is banned, already in, dropped less
    /// than kRejoinRefusedMs ago, or the conference is full.
    bool join(const QString &call, const QString &name = QString());
    /// A station leaves (its ordinary mute is forgotten, a persistent one kept).
    void leave(const QString &call);
    bool isMember(const QString &call) const { return indexOf(call) >= 0; }
    /// Stations in the order they came in, the local station included while linked.
    QStringList members() const;
    bool isMuted(const QString &call) const;
    bool isBanned(const QString &call) const { return m_banned.contains(call.toUpper()); }
    QStringList banned() const { return m_banned; }
    /// The station whose audio the conference relays now, or "".
    QString talker() const { return m_talker; }
    bool isLocalLinked() const;

    // What the stations do.
    /// The station keys its transmitter. A muted station is not heard; only
    /// one station is heard at a time.
    void key(const QString &call);
    void unkey(const QString &call);
    bool isKeyed(const QString &call) const;
    /// A chat line from the station ("CALL>text"); the same line again
    /// within kRepeatDroppedMs is dropped. A dot-command goes to the server
    /// alone and is answered to that station only.
    void say(const QString &call, const QString &text);
    /// The station sends a DTMF sequence (a short transmission carrying tones).
    void keyDtmf(const QString &call, const QString &digits);

    /// The server restarts while the local station's link stays up: for
    /// downMs it takes nothing the local station sends, then it takes its
    /// packets again and sends the station list, having forgotten every
    /// log-on and every mute that was not persistent (bans are kept). No
    /// word to the local station about any of it.
    void restart(int downMs);
    bool isDown() const;

    /// The station list: "CONF <call> [n/max]", two CRs, then one line per
    /// station, the one talking first and marked "->", a muted one as
    /// "CALL (Muted)", then a blank line and the banner.
    QString stationInfo() const;
    QString banner() const;

    /// Carries out a dot-command line from a station and gives its reply,
    /// several lines separated by CR (the server ends each with CR when it
    /// sends them); "" for a wrong password, an unknown command or a command
    /// the station has no rights for.
    QString command(const QString &from, const QString &line);

signals:
    void memberJoined(const QString &call);
    void memberLeft(const QString &call);

private:
    struct Member {
        QString call;
        QString name;
        bool muted = false;
        bool keyed = false;
        bool lurking = false;
        bool local = false;
    };

    /// The conference's state as the dot-commands read and change it.
    class Commands;

    int indexOf(const QString &call) const;
    Member *find(const QString &call);
    QString localCall() const;
    /// The local station is linked and still in the conference (a ban hides
    /// it without dropping its link).
    bool localPresent() const;
    /// Takes the station out without a word to it; a dropped one is refused
    /// for a while.
    void removeMember(int index, bool dropped);
    bool refusedForNow(const QString &call) const;
    /// Whether a chat line from call repeats its last one too soon.
    bool repeatsTooSoon(const QString &call, const QString &text);

    /// Chooses who is heard after a change and tells the local station what
    /// changed: RX first, then the station list when it is due (a join, a
    /// leave, a new talker).
    void refresh();
    void toLocal(const QString &line);

    SimClient &m_client;
    QString m_call;
    QString m_adminPassword;
    QString m_sysopPassword;
    int m_replyDelay = 200;
    int m_connectDelay = 500;
    int m_maxStations = 50;
    QList<Member> m_members;
    QStringList m_keyOrder;         ///< keyed stations, first keyed first
    QStringList m_banned;           ///< upper-cased, in the order banned
    QSet<QString> m_persistentMute; ///< upper-cased
    QSet<QString> m_admins;
    QSet<QString> m_sysops;
    QString m_talker;
    bool m_rxShown = false;  ///< what the local station's RX last said
    bool m_listDue = false;   ///< a join, leave or talker change not yet announced
    bool m_quietList = false; ///< the change under way sends no list (a ban)
    QString m_talkerShown;   ///< the talker when the list was last sent
    bool m_holdRefresh = false; ///< a command is under way: its reply goes first
    qint64 m_upSince = 0;
    qint64 m_downUntil = -1; ///< restarting until then
    QHash<QString, qint64> m_droppedAt; ///< upper-cased call → when it was dropped
    QHash<QString, QPair<QString, qint64>> m_lastChat; ///< upper-cased call → its last chat line and when
    QList<Received> m_received;
    bool m_keepReceived = true;
};

} // namespace gavelry
