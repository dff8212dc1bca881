#include "ConferenceRoom.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace fakes {

namespace {

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::string ConferenceRoom::upper(std::string s)
{
    for (char &c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

ConferenceRoom::ConferenceRoom(std::string id, int maxStations, std::string adminPassword, std::string sysopPassword)
    : m_id(std::move(id)), m_max(maxStations), m_adminPassword(std::move(adminPassword)),
      m_sysopPassword(std::move(sysopPassword))
{
}

Station *ConferenceRoom::find(const std::string &call)
{
    const std::string c = upper(call);
    for (Station &s : m_stations)
        if (s.call == c)
            return &s;
    return nullptr;
}

bool ConferenceRoom::has(const std::string &call) const
{
    return const_cast<ConferenceRoom *>(this)->find(call) != nullptr;
}

bool ConferenceRoom::isMuted(const std::string &call) const
{
    const Station *s = const_cast<ConferenceRoom *>(this)->find(call);
    return s && s->muted;
}

bool ConferenceRoom::join(const std::string &call, const std::string &name, bool local)
{
    if (isBanned(call))
        return false;
    if (Station *s = find(call)) {
        s->name = name;
        return true;
    }
    m_stations.push_back({upper(call), name, false, local});
    return true;
}

void ConferenceRoom::leave(const std::string &call)
{
    const std::string c = upper(call);
    m_stations.erase(std::remove_if(m_stations.begin(), m_stations.end(), [&](const Station &s) { return s.call == c; }),
                     m_stations.end());
    m_loggedOn.erase(c);
    if (m_talker == c)
        m_talker.clear();
}

ConferenceRoom::Answer ConferenceRoom::command(const std::string &sender, const std::string &line)
{
    Answer a;
    if (line.empty() || line[0] != '.')
        return a;
    const std::vector<std::string> w = words(line);
    const std::string verb = lower(w[0]);
    const std::string from = upper(sender);
    const std::string arg = w.size() > 1 ? w[1] : std::string();

    if (verb == ".admin" || verb == ".sysop") {
        const bool admin = verb == ".admin";
        if (arg == (admin ? m_adminPassword : m_sysopPassword) && !arg.empty()) {
            m_loggedOn.insert(from);
            a.reply = admin ? "Your wish is my command.\r" : "By your command.\r";
        }
        return a;   // a wrong password gets no reply at all
    }
    if (!isLoggedOn(from))
        return a;   // nor does a command before the log-on

    // "." stands for the station talking now.
    auto target = [&](const std::string &what) { return what == "." ? m_talker : upper(what); };

    if (verb == ".mute") {
        if (arg == "." && m_talker.empty()) {
            a.reply = "Error: no one is talking.\r";
        } else if (Station *s = find(target(arg))) {
            s->muted = true;
            a.reply = arg == "." ? "station talking muted.\r" : s->call + " muted.\r";
        } else {
            a.reply = "No " + upper(arg) + " found.\r";
        }
    } else if (verb == ".unmute") {
        if (arg == "-a") {
            for (Station &s : m_stations)
                s.muted = false;
            a.listChanged = true;
        } else if (Station *s = find(target(arg))) {
            s->muted = false;
            a.reply = s->call + " unmuted.\r";
        } else {
            a.reply = "No " + upper(arg) + " found.\r";
        }
    } else if (verb == ".ban") {
        const std::string sub = lower(arg);
        const std::string who = w.size() > 2 ? upper(w[2]) : std::string();
        if (sub == "add" && !who.empty()) {
            m_banned.insert(who);
            // Its audio is dropped and it leaves the list, but it gets no BYE.
            if (find(who)) {
                m_stations.erase(std::remove_if(m_stations.begin(), m_stations.end(),
                                                [&](const Station &s) { return s.call == who; }),
                                 m_stations.end());
                if (m_talker == who)
                    m_talker.clear();
            }
            a.reply = who + " banned\r";
        } else if (sub == "list") {
            a.reply = "banned users:\r";
            for (const std::string &b : m_banned)
                a.reply += b + " -\r";
        } else if (sub == "delete" && !who.empty()) {
            a.reply = m_banned.erase(who) ? who + " removed from the banned list.\r"
                                          : who + " was not found on the banned list.\r";
        }
    } else if (verb == ".disconnect") {
        const std::string who = target(arg);
        if (arg == "." && who.empty()) {
            a.reply = "Error: no one is talking.\r";
        } else if (find(who)) {
            a.reply = who + " disconnected\r";
            a.disconnect = who;
            leave(who);
            a.listChanged = true;
        } else {
            a.reply = who + " not found\r";
        }
    } else if (verb == ".users") {
        int n = 0;
        for (const Station &s : m_stations) {
            std::string flags;
            if (s.muted)
                flags += 'M';
            if (isLoggedOn(s.call))
                flags += 'A';
            a.reply += std::to_string(++n) + ". " + s.call + " " + flags + "\r";
        }
    } else if (verb == ".admins") {
        a.reply = "Admins:\r";
        for (const Station &s : m_stations)
            if (isLoggedOn(s.call))
                a.reply += s.call + " " + s.name + "\r";
        a.reply += "Sysops:\r";
    }
    return a;
}

std::string ConferenceRoom::stationList() const
{
    std::string out = "CONF " + m_id + " [" + std::to_string(m_stations.size()) + "/" + std::to_string(m_max) + "]\r\r";
    auto line = [](const Station &s) { return s.muted ? s.call + " (Muted)" : s.call + " " + s.name; };
    for (const Station &s : m_stations)
        if (s.call == m_talker)
            out += "->" + line(s) + "\r";
    for (const Station &s : m_stations)
        if (s.call != m_talker)
            out += line(s) + "\r";
    out += "\rLoopback test conference\r";
    return out;
}

std::string textPacket(const std::string &text)
{
    std::string p = "oNDATA" + text;
    p.push_back('\0');
    return p;
}

DirectoryRequest parseDirectoryRequest(const std::string &bytes)
{
    DirectoryRequest r;
    if (bytes.empty())
        return r;
    if (bytes[0] == 's') {
        r.kind = DirectoryRequest::StationList;
        return r;
    }
    if (bytes[0] != 'l') {
        r.kind = DirectoryRequest::Unknown;
        return r;
    }
    // 'l' CALL 0xAC 0xAC PASSWORD CR STATUS CR DESCRIPTION CR
    const std::string sep("\xac\xac");
    const std::size_t s = bytes.find(sep, 1);
    if (s == std::string::npos)
        return r;
    const std::size_t cr1 = bytes.find('\r', s + 2);
    if (cr1 == std::string::npos)
        return r;
    const std::size_t cr2 = bytes.find('\r', cr1 + 1);
    if (cr2 == std::string::npos)
        return r;
    const std::size_t cr3 = bytes.find('\r', cr2 + 1);
    if (cr3 == std::string::npos)
        return r;
    r.kind = DirectoryRequest::LogOn;
    r.call = bytes.substr(1, s - 1);
    r.password = bytes.substr(s + 2, cr1 - s - 2);
    r.status = bytes.substr(cr1 + 1, cr2 - cr1 - 1);
    r.description = bytes.substr(cr2 + 1, cr3 - cr2 - 1);
    return r;
}

std::string directoryListReply(const std::vector<DirectoryEntry> &entries)
{
    std::string out = "@@@\n" + std::to_string(entries.size()) + "\n";
    for (const DirectoryEntry &e : entries)
        out += e.call + "\n" + e.description + "\n" + e.id + "\n" + e.ip + "\n";
    out += "+++";
    return out;
}

} // namespace fakes
