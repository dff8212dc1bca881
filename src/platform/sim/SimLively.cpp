#include "platform/sim/SimLively.h"

#include "platform/Scheduler.h"
#include "platform/sim/SimConference.h"

namespace gavelry {

namespace {

constexpr int kSecond = 1000;
constexpr int kMinute = 60 * kSecond;

// The conference is never empty and never crowded.
constexpr int kFewest = 4;
constexpr int kMost = 10;

const char *const kChatLines[] = {
    "Good evening all",
    "Nice audio from everyone tonight",
    "Can someone give me an audio check please?",
    "73 all, off for dinner, back later",
    "QSL, thanks for the report",
    "Weather here is wet again",
    "Who is running the net tonight?",
    "Back in ten minutes",
    "Hello from the mobile",
    "Anyone on from the coast?",
    "Thanks for the conference, great group",
    "Running low power tonight, sorry for the noise",
};

const char *const kPrivateLines[] = {
    "Are you the bot that runs this conference?",
    "Please unmute me when you get a chance",
    "Thanks for keeping the conference tidy",
    "Is there a net schedule somewhere?",
};

template <class T, std::size_t N>
constexpr int countOf(const T (&)[N])
{
    return int(N);
}

} // namespace

const SimLively::Station SimLively::kStations[] = {
    {"W1AW-R", "Hartford Repeater"}, {"G4KVT", "Kevin"},        {"VK2RJ-L", "Sydney Link"},
    {"K5TUX", "Tom"},                {"DL3MBE", "Maria"},       {"VE3ONT-R", "Ontario Repeater"},
    {"N7QRP", "Pete"},               {"EI2GLB", "Siobhan"},     {"ZL1HAM", "Harold"},
    {"PA0NL-L", "Utrecht Link"},     {"KC1ELK", "Ellie"},       {"M0DXR", "Dave"},
    {"W9IND-R", "Indiana Repeater"}, {"JA1YAB", "Yoshi"},       {"ON4BEL", "Bert"},
    {"K6SUN", "Sunny"},              {"GM3SCT", "Ian"},         {"VE7BC-L", "Vancouver Link"},
    {"WA2NYC", "Nick"},              {"F5PAR", "Pierre"},
};
const int SimLively::kStationCount = countOf(SimLively::kStations);

SimLively::SimLively(SimConference &conference, quint32 seed, QObject *parent)
    : QObject(parent), m_conference(conference), m_scheduler(conference.client().scheduler()), m_random(seed)
{
}

void SimLively::start()
{
    for (int i = 0; i < 6; ++i)
        joinSomeone();
    after(uniform(2, 15) * kSecond, &SimLively::talkStep);
    after(uniform(1, 4) * kMinute, &SimLively::chatStep);
    after(uniform(2, 15) * kMinute, &SimLively::membershipStep);
}

int SimLively::uniform(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(m_random);
}

void SimLively::after(int ms, void (SimLively::*step)())
{
    m_scheduler.callAfter(ms, this, [this, step] { (this->*step)(); });
}

QString SimLively::anyMember()
{
    const QString local = m_conference.client().localStation().toUpper();
    QStringList others = m_conference.members();
    others.removeAll(local);
    if (others.isEmpty())
        return QString();
    return others.at(uniform(0, int(others.size()) - 1));
}

void SimLively::joinSomeone()
{
    // Somebody not in yet; a banned station tries and is refused.
    const int first = uniform(0, kStationCount - 1);
    for (int i = 0; i < kStationCount; ++i) {
        const Station &s = kStations[(first + i) % kStationCount];
        const QString call = QString::fromLatin1(s.call);
        if (!m_conference.isMember(call)) {
            m_conference.join(call, QString::fromLatin1(s.name));
            return;
        }
    }
}

void SimLively::membershipStep()
{
    const int others = int(m_conference.members().size()) - (m_conference.isLocalLinked() ? 1 : 0);
    const bool join = others < kFewest || (others < kMost && chance(2));
    if (join) {
        joinSomeone();
    } else {
        const QString call = anyMember();
        if (!call.isEmpty())
            m_conference.leave(call);
    }
    after(uniform(2, 15) * kMinute, &SimLively::membershipStep);
}

void SimLively::talkStep()
{
    const QString call = anyMember();
    int busy = 0;
    if (!call.isEmpty()) {
        if (chance(30)) {
            m_conference.keyDtmf(call, QStringLiteral("73"));
            busy = 3 * kSecond;
        } else {
            // Most overs are short, some long; a stuck transmitter keeps
            // going well past a ten-minute limit.
            if (chance(kStuckOneIn))
                busy = uniform(11 * 60, 16 * 60) * kSecond;
            else if (chance(4))
                busy = uniform(60, 240) * kSecond;
            else
                busy = uniform(4, 60) * kSecond;
            m_conference.key(call);
            m_scheduler.callAfter(busy, this, [this, call] { m_conference.unkey(call); });
        }
    }
    const int pause = chance(8) ? uniform(1, 5) * kMinute : uniform(1, 20) * kSecond;
    after(busy + pause, &SimLively::talkStep);
}

void SimLively::chatStep()
{
    const QString call = anyMember();
    if (!call.isEmpty()) {
        const int pick = uniform(1, 100);
        QString line;
        if (pick <= 5)
            line = QStringLiteral("/chat/");
        else if (pick <= 10)
            line = QStringLiteral("/ver/");
        else if (pick <= 18)
            line = u':' + m_conference.client().localStation() + u'~'
                + QString::fromLatin1(kPrivateLines[uniform(0, countOf(kPrivateLines) - 1)]);
        else
            line = QString::fromLatin1(kChatLines[uniform(0, countOf(kChatLines) - 1)]);
        m_conference.say(call, line);
    }
    after(uniform(1, 10) * kMinute, &SimLively::chatStep);
}

} // namespace gavelry
