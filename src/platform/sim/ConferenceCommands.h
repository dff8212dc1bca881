#pragma once

// The sysop dot-commands a conference server understands, who may give each
// and what the server answers, in one table. The built-in simulator and the
// loopback test conference both answer from it, each keeping its stations in
// its own way. Plain C++ with no Qt: the loopback fakes are built without it.

#include <optional>
#include <string>
#include <vector>

namespace gavelry::conference {

/// ASCII upper case, as callsigns are written.
std::string upper(std::string s);

/// A station on the conference, as the commands see it.
struct StationView {
    std::string call;   ///< as the server lists it (upper case)
    std::string name;
    bool admin = false; ///< logged on with ".admin"
    bool sysop = false; ///< logged on with ".sysop"
    bool muted = false;
    bool mutedPersistently = false; ///< the mute outlasts a reconnect
    bool lurking = false;
};

/// The state a conference server keeps, as the commands read and change it.
/// Each server keeps its own; the commands' rules and reply texts are all in
/// answer(). Callsigns handed to the changing calls are upper case.
class Server {
public:
    virtual ~Server() = default;

    /// The stations, in the order they came in.
    virtual std::vector<StationView> stations() const = 0;
    /// The station `call` names (any case), if it is on the conference.
    virtual std::optional<StationView> station(const std::string &call) const = 0;
    /// The station whose audio is relayed now, "" for nobody.
    virtual std::string talker() const = 0;
    virtual bool isAdmin(const std::string &call) const = 0;
    virtual bool isSysop(const std::string &call) const = 0;
    /// The admin or the sysop password; an empty one lets nobody log on.
    virtual std::string password(bool sysop) const = 0;
    /// Banned calls, in the order they were banned.
    virtual std::vector<std::string> banned() const = 0;
    /// Calls muted persistently, on the conference or not.
    virtual std::vector<std::string> persistentMutes() const = 0;
    virtual int maxStations() const = 0;
    virtual long long upMs() const = 0;
    /// A callsign as typed, the way the server writes it (upper case).
    virtual std::string callsign(const std::string &typed) const { return upper(typed); }

    virtual void logOn(const std::string &call, bool sysop) = 0;
    virtual void mute(const std::string &call, bool persistent) = 0;
    /// Unmutes a station on the conference, or forgets a persistent mute.
    virtual void unmute(const std::string &call) = 0;
    virtual void unmuteAll() = 0;
    /// Drops a station that is on the conference (it gets a BYE).
    virtual void disconnect(const std::string &call) = 0;
    /// Bans a call; a station on the conference is hidden and its audio dropped.
    virtual void ban(const std::string &call) = 0;
    /// False when the call was not banned.
    virtual bool unban(const std::string &call) = 0;
    /// The conference links to the station.
    virtual void connectTo(const std::string &call) = 0;
    virtual void lurk(const std::string &call, bool lurking) = 0;
    /// A sysop's ".quote": the line goes to linked conferences and sysops only.
    virtual void quote(const std::string &text) = 0;
};

/// Carries out a chat line that `from` sent and gives the server's reply to
/// that station: its lines separated by CR (the server ends each with CR
/// when it sends them). "" when the server says nothing: a line that is not
/// a command, an unknown command, a wrong password, a command the station has
/// no rights for or one that lacks its callsign.
std::string answer(Server &server, const std::string &from, const std::string &line);

} // namespace gavelry::conference
