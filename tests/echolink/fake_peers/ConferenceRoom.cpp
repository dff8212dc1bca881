#include "ConferenceRoom.h"

#include <algorithm>

namespace fakes {

std::string ConferenceRoom::upper(std::string s)
{
    return gavelry::conference::upper(std::move(s));
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

bool ConferenceRoom::isBanned(const std::string &call) const
{
    return std::find(m_banned.begin(), m_banned.end(), upper(call)) != m_banned.end();
}

bool ConferenceRoom::isLoggedOn(const std::string &call) const
{
    const std::string c = upper(call);
    return m_admins.count(c) != 0 || m_sysops.count(c) != 0;
}

bool ConferenceRoom::join(const std::string &call, const std::string &name, bool local)
{
    if (isBanned(call))
        return false;
    if (Station *s = find(call)) {
        s->name = name;
        return true;
    }
    const std::string c = upper(call);
    m_stations.push_back({c, name, m_persistentMute.count(c) != 0, local});
    return true;
}

void ConferenceRoom::leave(const std::string &call)
{
    const std::string c = upper(call);
    m_stations.erase(std::remove_if(m_stations.begin(), m_stations.end(), [&](const Station &s) { return s.call == c; }),
                     m_stations.end());
    m_admins.erase(c);
    m_sysops.erase(c);
    if (m_talker == c)
        m_talker.clear();
}

void ConferenceRoom::restart(const std::string &adminPassword)
{
    m_admins.clear();
    m_sysops.clear();
    for (Station &s : m_stations)
        s.muted = m_persistentMute.count(s.call) != 0;
    m_adminPassword = adminPassword;
    m_upSince = std::chrono::steady_clock::now();
}

class ConferenceRoom::Commands final : public gavelry::conference::Server {
public:
    Commands(ConferenceRoom &room, Answer &answer) : r(room), a(answer) {}

    std::vector<gavelry::conference::StationView> stations() const override
    {
        std::vector<gavelry::conference::StationView> out;
        for (const Station &s : r.m_stations)
            out.push_back(view(s));
        return out;
    }
    std::optional<gavelry::conference::StationView> station(const std::string &call) const override
    {
        const Station *s = r.find(call);
        return s ? std::optional(view(*s)) : std::nullopt;
    }
    std::string talker() const override { return r.m_talker; }
    bool isAdmin(const std::string &call) const override { return r.m_admins.count(call) != 0; }
    bool isSysop(const std::string &call) const override { return r.m_sysops.count(call) != 0; }
    std::string password(bool sysop) const override { return sysop ? r.m_sysopPassword : r.m_adminPassword; }
    std::vector<std::string> banned() const override { return r.m_banned; }
    std::vector<std::string> persistentMutes() const override
    {
        return {r.m_persistentMute.begin(), r.m_persistentMute.end()};
    }
    int maxStations() const override { return r.m_max; }
    long long upMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - r.m_upSince)
            .count();
    }

    void logOn(const std::string &call, bool sysop) override { (sysop ? r.m_sysops : r.m_admins).insert(call); }
    void mute(const std::string &call, bool persistent) override
    {
        r.find(call)->muted = true;
        if (persistent)
            r.m_persistentMute.insert(call);
    }
    void unmute(const std::string &call) override
    {
        r.m_persistentMute.erase(call);
        if (Station *s = r.find(call))
            s->muted = false;
    }
    void unmuteAll() override
    {
        for (Station &s : r.m_stations)
            s.muted = false;
        r.m_persistentMute.clear();
        a.listChanged = true;
    }
    void disconnect(const std::string &call) override
    {
        a.disconnect = call;
        r.leave(call);
        a.listChanged = true;
    }
    void ban(const std::string &call) override
    {
        if (!r.isBanned(call))
            r.m_banned.push_back(call);
        // Its audio is dropped and it leaves the list, but it gets no BYE.
        if (r.find(call))
            r.leave(call);
    }
    bool unban(const std::string &call) override
    {
        const auto at = std::find(r.m_banned.begin(), r.m_banned.end(), call);
        if (at == r.m_banned.end())
            return false;
        r.m_banned.erase(at);
        return true;
    }
    void connectTo(const std::string &call) override { a.listChanged = r.join(call, std::string()); }
    void lurk(const std::string &call, bool lurking) override { r.find(call)->lurking = lurking; }
    void quote(const std::string &text) override { a.toSysops = r.m_id + ">" + text + "\r"; }

private:
    gavelry::conference::StationView view(const Station &s) const
    {
        return {s.call, s.name, isAdmin(s.call), isSysop(s.call), s.muted, r.m_persistentMute.count(s.call) != 0,
                s.lurking};
    }

    ConferenceRoom &r;
    Answer &a;
};

ConferenceRoom::Answer ConferenceRoom::command(const std::string &sender, const std::string &line)
{
    Answer a;
    Commands commands(*this, a);
    a.reply = gavelry::conference::answer(commands, sender, line);
    if (!a.reply.empty())
        a.reply += '\r';
    return a;
}

std::string ConferenceRoom::stationList() const
{
    const long shown = std::count_if(m_stations.begin(), m_stations.end(), [](const Station &s) { return !s.lurking; });
    std::string out = "CONF " + m_id + " [" + std::to_string(shown) + "/" + std::to_string(m_max) + "]\r\r";
    auto line = [](const Station &s) { return s.muted ? s.call + " (Muted)" : s.call + " " + s.name; };
    for (const Station &s : m_stations)
        if (s.call == m_talker && !s.lurking)
            out += "->" + line(s) + "\r";
    for (const Station &s : m_stations)
        if (s.call != m_talker && !s.lurking)
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
