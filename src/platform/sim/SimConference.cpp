#include "platform/sim/SimConference.h"

#include "platform/sim/ConferenceCommands.h"
#include "platform/Scheduler.h"

namespace gavelry {

namespace {

const QString kCR = QStringLiteral("\r");

} // namespace

SimConference::SimConference(SimClient &client, const QString &callsign, QString adminPassword,
                             QString sysopPassword, QObject *parent)
    : SimRemote(parent),
      m_client(client),
      m_call(callsign.toUpper()),
      m_adminPassword(std::move(adminPassword)),
      m_sysopPassword(std::move(sysopPassword)),
      m_upSince(client.scheduler().elapsedMs())
{
    client.addRemote(this);
}

SimConference::~SimConference() = default;

QString SimConference::localCall() const { return m_client.localStation().toUpper(); }

bool SimConference::isLocalLinked() const { return m_client.links().contains(m_call); }

int SimConference::indexOf(const QString &call) const
{
    for (int i = 0; i < m_members.size(); ++i)
        if (m_members[i].call.compare(call, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

SimConference::Member *SimConference::find(const QString &call)
{
    const int i = indexOf(call);
    return i < 0 ? nullptr : &m_members[i];
}

QStringList SimConference::members() const
{
    QStringList calls;
    for (const Member &m : m_members)
        calls.append(m.call);
    return calls;
}

bool SimConference::isMuted(const QString &call) const
{
    const int i = indexOf(call);
    return i >= 0 ? m_members[i].muted : m_persistentMute.contains(call.toUpper());
}

bool SimConference::isKeyed(const QString &call) const
{
    const int i = indexOf(call);
    return i >= 0 && m_members[i].keyed;
}

bool SimConference::localPresent() const { return isLocalLinked() && indexOf(localCall()) >= 0; }

void SimConference::removeMember(int index, bool dropped)
{
    const QString c = m_members[index].call;
    m_members.removeAt(index);
    m_keyOrder.removeAll(c);
    if (dropped)
        m_droppedAt.insert(c, m_client.scheduler().elapsedMs());
    emit memberLeft(c);
}

bool SimConference::refusedForNow(const QString &call) const
{
    const auto at = m_droppedAt.constFind(call.toUpper());
    return at != m_droppedAt.constEnd() && m_client.scheduler().elapsedMs() - *at < kRejoinRefusedMs;
}

bool SimConference::repeatsTooSoon(const QString &call, const QString &text)
{
    const QString c = call.toUpper();
    const qint64 now = m_client.scheduler().elapsedMs();
    const auto last = m_lastChat.constFind(c);
    const bool repeat = last != m_lastChat.constEnd() && last->first == text && now - last->second < kRepeatDroppedMs;
    if (!repeat)
        m_lastChat.insert(c, {text, now});
    return repeat;
}

// --- The local station's link -------------------------------------------

bool SimConference::acceptLink()
{
    const QString local = localCall();
    return !isBanned(local) && !refusedForNow(local) && m_members.size() < m_maxStations;
}

void SimConference::linked()
{
    const QString local = localCall();
    if (indexOf(local) < 0) {
        Member m;
        m.call = local;
        m.name = QStringLiteral("Gavelry");
        m.local = true;
        m_members.append(m);
        emit memberJoined(local);
    }
    m_rxShown = false;
    m_listDue = true; // a station that links in gets the list at once
    refresh();
}

void SimConference::unlinked()
{
    // The client shows no audio once the link is gone; it says so a moment
    // later, not inside the program's own disconnect call.
    if (m_rxShown) {
        m_rxShown = false;
        m_client.scheduler().callAfter(0, this, [this] { m_client.raiseRX(false); });
    }
    const QString local = localCall();
    // A log-on lasts as long as the link.
    m_admins.remove(local);
    m_sysops.remove(local);
    const int i = indexOf(local);
    if (i >= 0) {
        removeMember(i, false);
        m_listDue = true;
    }
    refresh();
}

bool SimConference::isDown() const { return m_client.scheduler().elapsedMs() < m_downUntil; }

void SimConference::restart(int downMs)
{
    m_admins.clear();
    m_sysops.clear();
    for (Member &m : m_members)
        m.muted = m_persistentMute.contains(m.call);
    m_upSince = m_client.scheduler().elapsedMs() + downMs;
    m_downUntil = m_upSince;
    // Back up: the local station's next packets are taken and it is listed again.
    m_client.scheduler().callAfter(downMs, this, [this] {
        m_listDue = true;
        refresh();
    });
}

void SimConference::chatFromLocal(const QString &text)
{
    const QString from = localCall();
    if (!localPresent() || isDown())
        return; // banned: the link is up, but nobody listens any more
    const bool isCommand = text.startsWith(u'.');
    // Commands never reach the other stations; a chat line repeated within
    // ten seconds is dropped.
    const bool relayed = !isCommand && !repeatsTooSoon(from, text);
    if (m_keepReceived)
        m_received.append({m_client.scheduler().elapsedMs(), text, relayed, isCommand});
    if (!isCommand)
        return; // ordinary chat goes to the other stations; nothing comes back
    // Like a real server, the command is carried out a moment later, never
    // inside the program's own send call.
    m_client.scheduler().callAfter(m_replyDelay, this, [this, from, text] {
        if (!localPresent() || isDown())
            return;
        m_holdRefresh = true;
        const QString reply = command(from, text);
        m_holdRefresh = false;
        if (!reply.isEmpty())
            toLocal(reply);
        refresh();
    });
}

void SimConference::toLocal(const QString &reply)
{
    // One text to the sender only, its lines separated by CR, nothing in
    // front; the client hands it on without the final line end, as the
    // EchoLink backend does. (A station that has just banned itself still
    // hears that reply.)
    if (isLocalLinked())
        m_client.raiseChat(reply);
}

// --- Stations -----------------------------------------------------------

bool SimConference::join(const QString &call, const QString &name)
{
    const QString c = call.trimmed().toUpper();
    if (c.isEmpty() || isBanned(c) || refusedForNow(c) || indexOf(c) >= 0 || m_members.size() >= m_maxStations)
        return false;
    Member m;
    m.call = c;
    m.name = name;
    m.muted = m_persistentMute.contains(c);
    m_members.append(m);
    emit memberJoined(c);
    m_listDue = true;
    refresh();
    return true;
}

void SimConference::leave(const QString &call)
{
    const int i = indexOf(call);
    if (i < 0)
        return;
    if (m_members[i].local) {
        m_client.linkDown(m_call); // unlinked() does the rest
        return;
    }
    removeMember(i, false);
    m_listDue = true;
    refresh();
}

void SimConference::key(const QString &call)
{
    Member *m = find(call);
    if (!m || m->keyed)
        return;
    m->keyed = true;
    m_keyOrder.append(m->call);
    refresh();
}

void SimConference::unkey(const QString &call)
{
    Member *m = find(call);
    if (!m || !m->keyed)
        return;
    m->keyed = false;
    m_keyOrder.removeAll(m->call);
    refresh();
}

void SimConference::say(const QString &call, const QString &text)
{
    const Member *m = find(call);
    if (!m || m->local)
        return;
    if (text.startsWith(u'.')) {
        // A command is for the server alone; its answer goes to the sender.
        const QString c = m->call;
        m_client.scheduler().callAfter(m_replyDelay, this, [this, c, text] {
            if (indexOf(c) < 0)
                return;
            m_holdRefresh = true;
            command(c, text);
            m_holdRefresh = false;
            refresh();
        });
        return;
    }
    if (repeatsTooSoon(m->call, text))
        return;
    if (localPresent())
        m_client.raiseChat(m->call + u'>' + text);
}

void SimConference::keyDtmf(const QString &call, const QString &digits)
{
    const Member *m = find(call);
    if (!m || m->keyed || m->local)
        return;
    const QString c = m->call;
    key(c);
    const bool heard = m_talker == c && !m->muted && localPresent();
    // The tones take a moment; the client reports the sequence when the
    // transmission carrying them ends.
    m_client.scheduler().callAfter(200 * int(digits.size()) + 500, this, [this, c, digits, heard] {
        unkey(c);
        if (heard && localPresent())
            m_client.raiseDTMF(digits);
    });
}

void SimConference::refresh()
{
    if (m_holdRefresh)
        return;
    // The one who has the floor keeps it while keyed, muted or not (a muted
    // talker is simply not relayed); once it lets go, the first station
    // still keyed that is not muted takes over.
    const Member *current = find(m_talker);
    if (!current || !current->keyed) {
        m_talker.clear();
        for (const QString &c : std::as_const(m_keyOrder)) {
            const Member *m = find(c);
            if (m && m->keyed && !m->muted) {
                m_talker = m->call;
                break;
            }
        }
    }
    if (m_quietList) {
        // A ban changes the list without sending it.
        m_quietList = false;
        m_talkerShown = m_talker;
    }
    if (m_talker != m_talkerShown)
        m_listDue = true;
    if (!localPresent()) {
        // A banned local station keeps its link, but its audio stops.
        if (m_rxShown && isLocalLinked()) {
            m_rxShown = false;
            m_client.raiseRX(false);
        }
        return;
    }
    const Member *talker = find(m_talker);
    const bool heard = talker && !talker->muted && !talker->local;
    if (heard != m_rxShown) {
        m_rxShown = heard;
        m_client.raiseRX(heard);
    }
    if (m_listDue) {
        m_listDue = false;
        m_talkerShown = m_talker;
        m_client.raiseStationText(stationInfo());
    }
}

QString SimConference::banner() const
{
    return QStringLiteral("Welcome to the %1 conference").arg(m_call);
}

QString SimConference::stationInfo() const
{
    QStringList lines;
    int shown = 0;
    for (const Member &m : m_members) {
        if (m.lurking)
            continue;
        ++shown;
        QString line;
        if (m.muted)
            line = m.call + QStringLiteral(" (Muted)");
        else
            line = (m.call == m_talker ? QStringLiteral("->") : QString()) + m.call
                + (m.name.isEmpty() ? QString() : u' ' + m.name);
        if (m.call == m_talker && !m.muted)
            lines.prepend(line); // the talker heads the list
        else
            lines.append(line);
    }
    // One pass: a conference named "*%2*" keeps its name.
    return QStringLiteral("CONF %1 [%2/%3]\r\r").arg(m_call, QString::number(shown), QString::number(m_maxStations))
        + lines.join(kCR) + kCR + kCR + banner();
}

// --- Commands -------------------------------------------------------------

namespace {

std::string utf8(const QString &s) { return s.toStdString(); }
QString qs(const std::string &s) { return QString::fromStdString(s); }

} // namespace

class SimConference::Commands final : public conference::Server {
public:
    explicit Commands(SimConference &conf) : c(conf) {}

    std::vector<conference::StationView> stations() const override
    {
        std::vector<conference::StationView> out;
        for (const Member &m : std::as_const(c.m_members))
            out.push_back(view(m));
        return out;
    }
    std::optional<conference::StationView> station(const std::string &call) const override
    {
        const int i = c.indexOf(qs(call));
        return i < 0 ? std::nullopt : std::optional(view(c.m_members[i]));
    }
    std::string talker() const override { return utf8(c.m_talker); }
    bool isAdmin(const std::string &call) const override { return c.m_admins.contains(qs(call).toUpper()); }
    bool isSysop(const std::string &call) const override { return c.m_sysops.contains(qs(call).toUpper()); }
    std::string password(bool sysop) const override { return utf8(sysop ? c.m_sysopPassword : c.m_adminPassword); }
    std::vector<std::string> banned() const override { return list(c.m_banned); }
    std::vector<std::string> persistentMutes() const override { return list(c.m_persistentMute); }
    int maxStations() const override { return c.m_maxStations; }
    long long upMs() const override { return c.m_client.scheduler().elapsedMs() - c.m_upSince; }
    std::string callsign(const std::string &typed) const override { return utf8(qs(typed).toUpper()); }

    void logOn(const std::string &call, bool sysop) override { (sysop ? c.m_sysops : c.m_admins).insert(qs(call)); }
    void mute(const std::string &call, bool persistent) override
    {
        Member *m = c.find(qs(call));
        m->muted = true;
        if (persistent)
            c.m_persistentMute.insert(m->call);
        c.refresh();
    }
    void unmute(const std::string &call) override
    {
        c.m_persistentMute.remove(qs(call));
        if (Member *m = c.find(qs(call)))
            m->muted = false;
        c.refresh();
    }
    void unmuteAll() override
    {
        for (Member &m : c.m_members)
            m.muted = false;
        c.m_persistentMute.clear();
        c.refresh();
    }
    void disconnect(const std::string &call) override
    {
        // The station gets a BYE: it leaves, and the others see the list.
        const int i = c.indexOf(qs(call));
        if (c.m_members[i].local) {
            c.m_droppedAt.insert(c.m_members[i].call, c.m_client.scheduler().elapsedMs());
            // Its link goes down once the reply is on its way.
            c.m_client.scheduler().callAfter(0, &c, [conf = &c] { conf->m_client.linkDown(conf->m_call); });
        } else {
            c.removeMember(i, true);
            c.m_listDue = true;
        }
    }
    void ban(const std::string &call) override
    {
        const QString b = qs(call);
        if (!c.m_banned.contains(b))
            c.m_banned.append(b);
        // Its audio is dropped and it vanishes from the list, but it gets no
        // BYE and the others get no new list.
        const int i = c.indexOf(b);
        if (i >= 0) {
            const bool local = c.m_members[i].local;
            c.removeMember(i, true);
            if (local) {
                c.m_admins.remove(b);
                c.m_sysops.remove(b);
            }
            c.m_quietList = true;
            c.refresh();
        }
    }
    bool unban(const std::string &call) override { return c.m_banned.removeAll(qs(call)) != 0; }
    void connectTo(const std::string &call) override
    {
        c.m_client.scheduler().callAfter(c.m_connectDelay, &c, [conf = &c, call = qs(call)] { conf->join(call); });
    }
    void lurk(const std::string &call, bool lurking) override
    {
        c.find(qs(call))->lurking = lurking;
        c.refresh();
    }
    void quote(const std::string &text) override
    {
        // Only linked conferences and logged-on sysops get the quoted line, as
        // the conference's own chat line; ordinary stations never see it.
        if (c.localPresent() && c.m_sysops.contains(c.localCall()))
            c.m_client.raiseChat(c.m_call + u'>' + qs(text));
    }

private:
    conference::StationView view(const Member &m) const
    {
        return {utf8(m.call), utf8(m.name), c.m_admins.contains(m.call), c.m_sysops.contains(m.call), m.muted,
                c.m_persistentMute.contains(m.call), m.lurking};
    }
    template<typename Calls>
    static std::vector<std::string> list(const Calls &calls)
    {
        std::vector<std::string> out;
        for (const QString &call : calls)
            out.push_back(utf8(call));
        return out;
    }

    SimConference &c;
};

QString SimConference::command(const QString &from, const QString &line)
{
    Commands commands(*this);
    return qs(conference::answer(commands, utf8(from), utf8(line.trimmed())));
}

} // namespace gavelry
