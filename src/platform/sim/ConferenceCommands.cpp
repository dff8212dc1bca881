#include "platform/sim/ConferenceCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace gavelry::conference {

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string trimmed(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> words(const std::string &s)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/// Reply lines go out separated by CR.
std::string joined(const std::vector<std::string> &lines)
{
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\r" : "") + lines[i];
    return out;
}

/// "HH:MM:SS" of a duration, hours not wrapped at a day.
std::string clockText(long long ms)
{
    const long long s = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

/// A command line taken apart: ".verb word word ...".
struct Request {
    std::string from; ///< the sender, upper case
    std::string text; ///< the whole line, trimmed
    std::vector<std::string> words; ///< after the dot; the verb first

    std::string word(std::size_t i) const { return i < words.size() ? words[i] : std::string(); }
    /// The rest of the line after the verb and `skip` more characters.
    std::string rest(std::size_t skip) const
    {
        const std::size_t at = 1 + words[0].size() + skip;
        return at < text.size() ? text.substr(at) : std::string();
    }
};

using Handler = std::string (*)(Server &, const Request &);

std::string logOn(Server &server, const Request &r, bool sysop)
{
    const std::string password = server.password(sysop);
    if (password.empty() || trimmed(r.rest(0)) != password)
        return {}; // a wrong password gets no answer at all
    server.logOn(r.from, sysop);
    return sysop ? "By your command." : "Your wish is my command.";
}

std::string users(Server &server, const Request &r)
{
    std::vector<std::string> lines;
    if (r.word(1) == "?")
        lines.push_back("Attributes: A admin, S sysop, M muted, P muted persistently, L lurking, T talking");
    const std::string talker = server.talker();
    int n = 0;
    for (const StationView &s : server.stations()) {
        std::string flags;
        if (s.admin)
            flags += 'A';
        if (s.sysop)
            flags += 'S';
        if (s.muted)
            flags += s.mutedPersistently ? 'P' : 'M';
        if (s.lurking)
            flags += 'L';
        if (s.call == talker)
            flags += 'T';
        // "N. CALL FLAGS", the blank kept when there are no flags.
        lines.push_back(std::to_string(++n) + ". " + s.call + " " + flags);
    }
    return joined(lines);
}

std::string admins(Server &server, const Request &)
{
    const std::vector<StationView> stations = server.stations();
    const auto entry = [](const StationView &s) { return s.name.empty() ? s.call : s.call + " " + s.name; };
    std::vector<std::string> lines{"Admins:"};
    for (const StationView &s : stations)
        if (s.admin)
            lines.push_back(entry(s));
    lines.push_back("Sysops:");
    for (const StationView &s : stations)
        if (s.sysop)
            lines.push_back(entry(s));
    return joined(lines);
}

std::string stats(Server &server, const Request &)
{
    const std::vector<StationView> stations = server.stations();
    const long long muted = std::count_if(stations.begin(), stations.end(), [](const StationView &s) { return s.muted; });
    return joined({"Stations: " + std::to_string(stations.size()) + "/" + std::to_string(server.maxStations()),
                   "Muted: " + std::to_string(muted), "Banned: " + std::to_string(server.banned().size()),
                   "Up: " + clockText(server.upMs())});
}

std::string listMuted(Server &server, const Request &)
{
    std::vector<std::string> calls;
    for (const StationView &s : server.stations())
        if (s.muted)
            calls.push_back(s.call);
    for (const std::string &c : server.persistentMutes())
        if (std::find(calls.begin(), calls.end(), c) == calls.end())
            calls.push_back(c);
    if (calls.empty())
        return "No stations are muted.";
    std::sort(calls.begin(), calls.end());
    calls.insert(calls.begin(), "muted users:");
    return joined(calls);
}

std::string mute(Server &server, const Request &r)
{
    const std::string arg = r.word(1);
    if (arg.empty())
        return {};
    // "." is the station talking now; a muted one is not heard, so not talking.
    const bool talking = arg == ".";
    const std::string talker = server.talker();
    const std::optional<StationView> s = server.station(talking ? talker : arg);
    if (talking && (talker.empty() || !s || s->muted))
        return "Error: no one is talking.";
    if (!s)
        return "No " + server.callsign(arg) + " found.";
    server.mute(s->call, r.word(2) == "-p");
    return talking ? "station talking muted." : s->call + " muted.";
}

std::string unmute(Server &server, const Request &r)
{
    const std::string arg = r.word(1);
    if (arg == "-a") {
        server.unmuteAll();
        return "All stations unmuted.";
    }
    if (arg.empty())
        return {};
    const std::string call = server.callsign(arg);
    const std::vector<std::string> remembered = server.persistentMutes();
    if (!server.station(call) && std::find(remembered.begin(), remembered.end(), call) == remembered.end())
        return "No " + call + " found.";
    server.unmute(call);
    return call + " unmuted.";
}

std::string disconnect(Server &server, const Request &r)
{
    const std::string arg = r.word(1);
    if (arg.empty())
        return {};
    std::string call = server.callsign(arg);
    if (arg == ".") {
        call = server.talker();
        if (call.empty())
            return "No one is talking";
    }
    const std::optional<StationView> s = server.station(call);
    if (!s)
        return call + " not found";
    server.disconnect(s->call);
    return s->call + " disconnected";
}

std::string ban(Server &server, const Request &r)
{
    const std::string sub = lower(r.word(1));
    if (sub == "list") {
        std::vector<std::string> lines{"banned users:"};
        for (const std::string &c : server.banned())
            lines.push_back(c + " -");
        return joined(lines);
    }
    const std::string call = server.callsign(r.word(2));
    if (call.empty())
        return {};
    if (sub == "add") {
        server.ban(call);
        return call + " banned";
    }
    if (sub == "delete")
        return server.unban(call) ? call + " removed from the banned list." : call + " was not found on the banned list.";
    return {};
}

std::string connectTo(Server &server, const Request &r)
{
    const std::string call = server.callsign(r.word(1));
    if (call.empty())
        return {};
    server.connectTo(call);
    return "Connecting to " + call;
}

std::string lurk(Server &server, const Request &r, bool lurking)
{
    const std::optional<StationView> s = server.station(r.from);
    if (!s)
        return {};
    server.lurk(s->call, lurking);
    return lurking ? "You are now lurking." : "You are no longer lurking.";
}

std::string quote(Server &server, const Request &r)
{
    server.quote(r.rest(1));
    return {}; // nothing back to the sysop: the line itself reaches it
}

enum class Rights { Anyone, LoggedOn, Sysop };

struct Row {
    const char *verb;
    bool exactCase; ///< ".Mute" lists the muted, ".mute" (any other case) mutes
    Rights rights;  ///< without them the server says nothing
    Handler run;
};

const Row kCommands[] = {
    {"admin", false, Rights::Anyone, [](Server &s, const Request &r) { return logOn(s, r, false); }},
    {"sysop", false, Rights::Anyone, [](Server &s, const Request &r) { return logOn(s, r, true); }},
    {"users", false, Rights::Anyone, users},
    {"admins", false, Rights::Anyone, admins},
    {"stats", false, Rights::Anyone, stats},
    {"Mute", true, Rights::LoggedOn, listMuted},
    {"mute", false, Rights::LoggedOn, mute},
    {"unmute", false, Rights::LoggedOn, unmute},
    {"disconnect", false, Rights::LoggedOn, disconnect},
    {"disc", false, Rights::LoggedOn, disconnect},
    {"ban", false, Rights::LoggedOn, ban},
    {"connect", false, Rights::LoggedOn, connectTo},
    {"lurk", false, Rights::LoggedOn, [](Server &s, const Request &r) { return lurk(s, r, true); }},
    {"delurk", false, Rights::LoggedOn, [](Server &s, const Request &r) { return lurk(s, r, false); }},
    {"quote", false, Rights::Sysop, quote},
};

bool mayGive(const Server &server, const std::string &from, Rights rights)
{
    switch (rights) {
    case Rights::Anyone:
        return true;
    case Rights::LoggedOn:
        return server.isAdmin(from) || server.isSysop(from);
    case Rights::Sysop:
        return server.isSysop(from);
    }
    return false;
}

} // namespace

std::string upper(std::string s)
{
    for (char &c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string answer(Server &server, const std::string &from, const std::string &line)
{
    Request r;
    r.from = server.callsign(from);
    r.text = trimmed(line);
    if (r.text.empty() || r.text[0] != '.')
        return {};
    r.words = words(r.text.substr(1));
    if (r.words.empty())
        return {};
    const std::string verb = lower(r.words[0]);
    for (const Row &row : kCommands) {
        if (row.exactCase ? r.words[0] != row.verb : verb != row.verb)
            continue;
        return mayGive(server, r.from, row.rights) ? row.run(server, r) : std::string();
    }
    return {};
}

} // namespace gavelry::conference
