#pragma once

// The conference and directory of the loopback test network, as plain C++:
// what a conference server answers to a dot-command, the station list it
// sends, and the bytes of the directory's TCP protocol. No libecholib here,
// so the rules are tested on their own.

#include "platform/sim/ConferenceCommands.h"

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fakes {

struct Station {
    std::string call;
    std::string name;
    bool muted = false;
    bool local = false;   ///< the linked program itself, not a simulated station
    bool lurking = false; ///< left out of the station list
};

/// What a conference server does with the stations on it and with the
/// dot-commands a linked station sends (answered from the same table as the
/// program's simulator). Replies go to the sender only, one text with
/// CR-ended lines and no "CALL>" prefix; an empty reply means the server
/// stays silent (a wrong password, a command that needs a log-on).
class ConferenceRoom {
public:
    ConferenceRoom(std::string id, int maxStations, std::string adminPassword, std::string sysopPassword);

    const std::string &id() const { return m_id; }

    /// A station joins (or rejoins: its name is updated). Banned calls are refused.
    bool join(const std::string &call, const std::string &name, bool local = false);
    void leave(const std::string &call);
    bool has(const std::string &call) const;
    bool isMuted(const std::string &call) const;
    bool isBanned(const std::string &call) const;
    const std::vector<Station> &stations() const { return m_stations; }

    /// The station now talking ("" for nobody). The talker is listed first.
    void setTalker(const std::string &call) { m_talker = upper(call); }
    const std::string &talker() const { return m_talker; }

    struct Answer {
        std::string reply;            ///< text to the sender, CR-ended lines; "" for none
        std::string disconnect;       ///< a station the command dropped
        bool listChanged = false;     ///< the station list changed in a way that is sent
        std::string toSysops;         ///< a quoted line for the logged-on sysops, "CONF>TEXT" CR
    };
    /// A chat line from `sender` (without the "CALL>" prefix). Lines that
    /// are not dot-commands get an empty answer: they are relayed as chat.
    Answer command(const std::string &sender, const std::string &line);
    bool isLoggedOn(const std::string &call) const;

    /// The server restarts: every log-on and every mute that was not
    /// persistent is forgotten, the bans (kept in its file) are not; from
    /// now on the admin password is adminPassword.
    void restart(const std::string &adminPassword);

    /// "CONF *ID* [n/max]" CR CR, the talker as "->CALL Name" on top, then
    /// the others ("CALL Name", muted ones "CALL (Muted)"), a blank line and
    /// the banner. Lurking stations are left out.
    std::string stationList() const;

    static std::string upper(std::string s);

private:
    /// The room as the dot-commands read and change it.
    class Commands;

    Station *find(const std::string &call);

    std::string m_id;
    int m_max;
    std::string m_adminPassword;
    std::string m_sysopPassword;
    std::vector<Station> m_stations;
    std::string m_talker;
    std::set<std::string> m_admins;
    std::set<std::string> m_sysops;
    std::vector<std::string> m_banned;   ///< in the order banned
    std::set<std::string> m_persistentMute;
    std::chrono::steady_clock::time_point m_upSince = std::chrono::steady_clock::now();
};

/// A text packet on the EchoLink control port: "oNDATA" + text + NUL.
std::string textPacket(const std::string &text);

// --- directory (TCP 5200, one command per connection) ---

struct DirectoryRequest {
    enum Kind { Incomplete, LogOn, StationList, Unknown };
    Kind kind = Incomplete;
    std::string call;
    std::string password;
    std::string status;       ///< "ONLINE3.38(12:00)", "BUSY...", "OFF-V3.40"
    std::string description;
};

/// Parses the bytes received so far on one directory connection.
DirectoryRequest parseDirectoryRequest(const std::string &bytes);

struct DirectoryEntry {
    std::string call;
    std::string description;
    std::string id;
    std::string ip;
};

/// The reply to 's': "@@@\n", the count, CALL/DESC/ID/IP lines, "+++".
std::string directoryListReply(const std::vector<DirectoryEntry> &entries);

} // namespace fakes
