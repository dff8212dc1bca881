#include "SimConference.h"

#include "Scheduler.h"

#include <QRegularExpression>

#include <algorithm>

namespace gavelry {

namespace {

const QString kCR = QStringLiteral("\r");

/// "HH:MM:SS" of a duration, hours not wrapped at a day.
QString clockText(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

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

bool SimConference::hasRights(const QString &call) const
{
    const QString c = call.toUpper();
    return m_admins.contains(c) || m_sysops.contains(c);
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

void SimConference::chatFromLocal(const QString &text)
{
    const QString from = localCall();
    if (!localPresent())
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
        if (!localPresent())
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
    return QStringLiteral("CONF %1 [%2/%3]\r\r").arg(m_call).arg(shown).arg(m_maxStations) + lines.join(kCR)
        + kCR + kCR + banner();
}

// --- Commands -------------------------------------------------------------

QString SimConference::command(const QString &from, const QString &line)
{
    const QString text = line.trimmed();
    if (!text.startsWith(u'.'))
        return QString();
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = text.mid(1).split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QString();
    const QString word = words[0];
    const QString lower = word.toLower();
    const QString arg = words.value(1);

    if (lower == QLatin1String("admin") || lower == QLatin1String("sysop"))
        return logOn(from, lower, text.mid(1 + word.size()).trimmed());
    if (lower == QLatin1String("users"))
        return doUsers(arg == QLatin1String("?"));
    if (lower == QLatin1String("admins"))
        return doAdmins();
    if (lower == QLatin1String("stats"))
        return doStats();

    // Everything else is for admins and sysops only; others get no answer.
    if (!hasRights(from))
        return QString();
    if (word == QLatin1String("Mute"))
        return doListMuted();
    if (lower == QLatin1String("mute"))
        return doMute(arg, words.value(2) == QLatin1String("-p"));
    if (lower == QLatin1String("unmute"))
        return doUnmute(arg);
    if (lower == QLatin1String("disconnect") || lower == QLatin1String("disc"))
        return doDisconnect(arg);
    if (lower == QLatin1String("ban"))
        return doBan(arg.toLower(), words.value(2));
    if (lower == QLatin1String("connect"))
        return doConnect(arg);
    if (lower == QLatin1String("lurk") || lower == QLatin1String("delurk"))
        return doLurk(from, lower == QLatin1String("lurk"));
    if (lower == QLatin1String("quote")) {
        // A sysop command: an admin gets no answer and nothing happens.
        if (m_sysops.contains(from.toUpper()))
            doQuote(text.mid(1 + word.size() + 1));
        return QString();
    }
    return QString();
}

QString SimConference::logOn(const QString &from, const QString &word, const QString &password)
{
    const QString c = from.toUpper();
    if (word == QLatin1String("admin") && !m_adminPassword.isEmpty() && password == m_adminPassword) {
        m_admins.insert(c);
        return QStringLiteral("Your wish is my command.");
    }
    if (word == QLatin1String("sysop") && !m_sysopPassword.isEmpty() && password == m_sysopPassword) {
        m_sysops.insert(c);
        return QStringLiteral("By your command.");
    }
    return QString();
}

QString SimConference::doMute(const QString &arg, bool persistent)
{
    if (arg.isEmpty())
        return QString();
    const bool talking = arg == QLatin1String(".");
    QString call = arg.toUpper();
    if (talking) {
        const Member *t = find(m_talker);
        if (!t || t->muted)
            return QStringLiteral("Error: no one is talking.");
        call = m_talker;
    }
    Member *m = find(call);
    if (!m)
        return QStringLiteral("No %1 found.").arg(call);
    m->muted = true;
    if (persistent)
        m_persistentMute.insert(m->call);
    refresh();
    return talking ? QStringLiteral("station talking muted.") : QStringLiteral("%1 muted.").arg(m->call);
}

QString SimConference::doUnmute(const QString &arg)
{
    if (arg == QLatin1String("-a")) {
        for (Member &m : m_members)
            m.muted = false;
        m_persistentMute.clear();
        refresh();
        return QStringLiteral("All stations unmuted.");
    }
    if (arg.isEmpty())
        return QString();
    const QString call = arg.toUpper();
    Member *m = find(call);
    const bool remembered = m_persistentMute.remove(call);
    if (!m && !remembered)
        return QStringLiteral("No %1 found.").arg(call);
    if (m)
        m->muted = false;
    refresh();
    return QStringLiteral("%1 unmuted.").arg(call);
}

QString SimConference::doListMuted() const
{
    QStringList lines;
    for (const Member &m : m_members)
        if (m.muted)
            lines.append(m.call);
    for (const QString &c : m_persistentMute)
        if (!lines.contains(c))
            lines.append(c);
    if (lines.isEmpty())
        return QStringLiteral("No stations are muted.");
    std::sort(lines.begin(), lines.end());
    return QStringLiteral("muted users:") + kCR + lines.join(kCR);
}

QString SimConference::doDisconnect(const QString &arg)
{
    if (arg.isEmpty())
        return QString();
    QString call = arg.toUpper();
    if (arg == QLatin1String(".")) {
        if (m_talker.isEmpty())
            return QStringLiteral("No one is talking");
        call = m_talker;
    }
    const int i = indexOf(call);
    if (i < 0)
        return QStringLiteral("%1 not found").arg(call);
    // The station gets a BYE: it leaves, and the others see the list.
    const bool local = m_members[i].local;
    call = m_members[i].call;
    if (local) {
        m_droppedAt.insert(call, m_client.scheduler().elapsedMs());
        // Its link goes down once the reply is on its way.
        m_client.scheduler().callAfter(0, this, [this] { m_client.linkDown(m_call); });
    } else {
        removeMember(i, true);
        m_listDue = true;
    }
    return QStringLiteral("%1 disconnected").arg(call);
}

QString SimConference::doBan(const QString &sub, const QString &arg)
{
    const QString call = arg.toUpper();
    if (sub == QLatin1String("list")) {
        QStringList lines{QStringLiteral("banned users:")};
        for (const QString &c : std::as_const(m_banned))
            lines.append(c + QStringLiteral(" -"));
        return lines.join(kCR);
    }
    if (call.isEmpty())
        return QString();
    if (sub == QLatin1String("add")) {
        if (!m_banned.contains(call))
            m_banned.append(call);
        // Its audio is dropped and it vanishes from the list, but it gets no
        // BYE and the others get no new list.
        const int i = indexOf(call);
        if (i >= 0) {
            const bool local = m_members[i].local;
            removeMember(i, true);
            if (local) {
                m_admins.remove(call);
                m_sysops.remove(call);
            }
            m_quietList = true;
            refresh();
        }
        return QStringLiteral("%1 banned").arg(call);
    }
    if (sub == QLatin1String("delete")) {
        if (m_banned.removeAll(call) == 0)
            return QStringLiteral("%1 was not found on the banned list.").arg(call);
        return QStringLiteral("%1 removed from the banned list.").arg(call);
    }
    return QString();
}

QString SimConference::doConnect(const QString &call)
{
    if (call.isEmpty())
        return QString();
    const QString c = call.toUpper();
    m_client.scheduler().callAfter(m_connectDelay, this, [this, c] { join(c); });
    return QStringLiteral("Connecting to %1").arg(c);
}

QString SimConference::doUsers(bool withLegend) const
{
    QStringList lines;
    if (withLegend)
        lines.append(QStringLiteral("Attributes: A admin, S sysop, M muted, P muted persistently, L lurking, T talking"));
    int n = 0;
    for (const Member &m : m_members) {
        QString attrs;
        if (m_admins.contains(m.call))
            attrs += u'A';
        if (m_sysops.contains(m.call))
            attrs += u'S';
        if (m.muted)
            attrs += m_persistentMute.contains(m.call) ? u'P' : u'M';
        if (m.lurking)
            attrs += u'L';
        if (m.call == m_talker)
            attrs += u'T';
        // "N. CALL FLAGS", the blank kept when there are no flags.
        lines.append(QStringLiteral("%1. %2 %3").arg(++n).arg(m.call, attrs));
    }
    return lines.join(kCR);
}

QString SimConference::doAdmins() const
{
    const auto entry = [](const Member &m) { return m.name.isEmpty() ? m.call : m.call + u' ' + m.name; };
    QStringList lines{QStringLiteral("Admins:")};
    for (const Member &m : m_members)
        if (m_admins.contains(m.call))
            lines.append(entry(m));
    lines.append(QStringLiteral("Sysops:"));
    for (const Member &m : m_members)
        if (m_sysops.contains(m.call))
            lines.append(entry(m));
    return lines.join(kCR);
}

QString SimConference::doStats() const
{
    int muted = 0;
    for (const Member &m : m_members)
        muted += m.muted ? 1 : 0;
    return QStringList{QStringLiteral("Stations: %1/%2").arg(m_members.size()).arg(m_maxStations),
                       QStringLiteral("Muted: %1").arg(muted),
                       QStringLiteral("Banned: %1").arg(m_banned.size()),
                       QStringLiteral("Up: ") + clockText(m_client.scheduler().elapsedMs() - m_upSince)}
        .join(kCR);
}

QString SimConference::doLurk(const QString &from, bool lurk)
{
    Member *m = find(from);
    if (!m)
        return QString();
    m->lurking = lurk;
    refresh();
    return lurk ? QStringLiteral("You are now lurking.") : QStringLiteral("You are no longer lurking.");
}

void SimConference::doQuote(const QString &text)
{
    // Only linked conferences and logged-on sysops get the quoted line, as
    // the conference's own chat line; ordinary stations never see it.
    if (localPresent() && m_sysops.contains(localCall()))
        m_client.raiseChat(m_call + u'>' + text);
}

} // namespace gavelry
