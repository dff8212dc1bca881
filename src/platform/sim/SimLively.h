#pragma once

#include <QObject>
#include <QString>
#include <random>

namespace gavelry {

/// The practice conference the windows open on when no scenario is given. Its
/// callsign is the default profile 1's "Conference 1" as the client links to
/// it (upper-cased) and both its passwords are that profile's default one, so
/// a new sysop links with one click and logs on with the next.
namespace practice {
inline QString callsign() { return QStringLiteral("CONFERENCE 1"); }
inline QString password() { return QStringLiteral("FrothyLantern"); }
} // namespace practice

class Scheduler;
class SimConference;

/// Plays the stations of a lively conference, the kind a new sysop practises
/// on: stations come and go, take turns talking for varying times (now and
/// then one with a stuck transmitter that runs far past a ten-minute limit),
/// chat, send a DTMF sequence, and once in a while probe the bot ("/chat/",
/// "/ver/") or send the local station a private message.
///
/// All choices come from one random source seeded at construction, and all
/// timing from the scheduler, so the same seed on virtual time gives the
/// same conference every time.
class SimLively : public QObject {
    Q_OBJECT
public:
    SimLively(SimConference &conference, quint32 seed, QObject *parent = nullptr);

    /// The first stations come in and the activity begins.
    void start();

    /// One in how many transmissions is a stuck transmitter.
    static constexpr int kStuckOneIn = 60;

private:
    struct Station {
        const char *call;
        const char *name;
    };
    static const Station kStations[];
    static const int kStationCount;

    int uniform(int lo, int hi);
    bool chance(int oneIn) { return uniform(1, oneIn) == 1; }
    /// A station of the conference other than the local one, or "".
    QString anyMember();
    void joinSomeone();

    void membershipStep();
    void talkStep();
    void chatStep();
    void after(int ms, void (SimLively::*step)());

    SimConference &m_conference;
    Scheduler &m_scheduler;
    std::mt19937 m_random;
};

} // namespace gavelry
