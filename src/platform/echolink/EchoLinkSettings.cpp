#include "platform/echolink/EchoLinkSettings.h"

#include "platform/echolink/ConnectTarget.h"
#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace gavelry {

namespace {

bool hasBlankOrControl(const QString &text)
{
    for (const QChar c : text)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return true;
    return false;
}

bool writeTemplate(const QString &path, QString &why)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        why = QStringLiteral("the folder cannot be created");
        return false;
    }
    // Owner-only and whole or not at all: it will hold the directory password.
    why = safefile::replace(path, echoLinkSettingsTemplate().toUtf8());
    return why.isEmpty();
}

} // namespace

QString echoLinkSettingsTemplate()
{
    return QStringLiteral(
        "; The EchoLink station Gavelry runs as (--client echolink).\n"
        "; Fill in CALLSIGN and PASSWORD: a callsign validated for EchoLink and its\n"
        "; password. NAME is sent to the stations you link to, LOCATION is the\n"
        "; directory description (27 characters). DIRECTORY: directory servers,\n"
        "; comma-separated, tried in turn. BIND_ADDRESS: the IPv4 address the UDP\n"
        "; ports 5198-5199 are opened on (empty: every address). PROXY: host:port of\n"
        "; an EchoLink proxy instead of open ports (empty: none). GSM_ONLY: 1 or 0.\n"
        "[STATION]\n"
        "CALLSIGN=\n"
        "PASSWORD=\n"
        "NAME=\n"
        "LOCATION=\n"
        "DIRECTORY=servers.echolink.org\n"
        "BIND_ADDRESS=\n"
        "PROXY=\n"
        "PROXY_PASSWORD=\n"
        "GSM_ONLY=1\n");
}

bool loadEchoLinkSettings(const QString &configDir, EchoLinkSettings &s, QString &error)
{
    s = EchoLinkSettings();
    s.path = QDir(configDir).filePath(QString::fromLatin1(EchoLinkSettings::kFileName));
    const auto bad = [&](const char *key, const QString &what) {
        error = QStringLiteral("%1 in section [STATION] of %2 %3.").arg(QString::fromLatin1(key), s.path, what);
        return false;
    };

    // Read once, without blocking: a FIFO, a device, a folder or a huge file
    // in its place is named as such, and left as it is.
    const ProfileIni ini(s.path);
    if (ini.readState() == ProfileIni::ReadState::Unreadable) {
        error = QStringLiteral("The EchoLink station's settings file %1 %2. Make it a readable file of at most %3 "
                               "bytes with section [STATION], or move it away to have a template written there, "
                               "then start again.")
                    .arg(QDir::toNativeSeparators(s.path), ini.readProblem(), QString::number(safefile::kLargest));
        return false;
    }
    QString templateNote;
    if (ini.readState() == ProfileIni::ReadState::Missing) {
        QString why;
        templateNote = writeTemplate(s.path, why)
                           ? QStringLiteral(" A template with every key was written there.")
                           : QStringLiteral(" (A template could not be written there: %1.)").arg(why);
    }
    const QString section = QString::fromLatin1(EchoLinkSettings::kSection);
    const auto raw = [&](const char *key, const QString &def = QString()) {
        return ini.get(section, QString::fromLatin1(key), def);
    };
    const auto value = [&](const char *key, const QString &def = QString()) { return raw(key, def).trimmed(); };

    s.callsign = value("CALLSIGN").toUpper();
    if (s.callsign.isEmpty()) {
        error = QStringLiteral("The EchoLink station has no callsign. Fill in CALLSIGN (your EchoLink callsign) and "
                               "PASSWORD (its directory password) in section [STATION] of %1, then start again.%2")
                    .arg(s.path, templateNote);
        return false;
    }
    if (hasBlankOrControl(s.callsign) || s.callsign.size() > 15)
        return bad("CALLSIGN", QStringLiteral("is '%1': a callsign has at most 15 characters and no blanks").arg(s.callsign));
    s.password = raw("PASSWORD");
    s.name = value("NAME");
    s.location = value("LOCATION");

    const QString directory = value("DIRECTORY");
    for (const QString &part : directory.split(u',', Qt::SkipEmptyParts)) {
        const QString host = part.trimmed();
        if (host.isEmpty())
            continue;
        if (hasBlankOrControl(host))
            return bad("DIRECTORY", QStringLiteral("names '%1': host names and addresses have no blanks; separate "
                                                   "them with commas").arg(host));
        s.directory.append(host);
    }
    // Every server is looked up at once when the directory is asked: a
    // list of hundreds would run the station out of the descriptors its
    // event loop can watch.
    if (s.directory.size() > EchoLinkSettings::kMostDirectoryServers)
        return bad("DIRECTORY", QStringLiteral("names %1 servers: give at most %2, separated by commas")
                                    .arg(s.directory.size())
                                    .arg(EchoLinkSettings::kMostDirectoryServers));
    if (s.directory.isEmpty())
        s.directory.append(QString::fromLatin1(EchoLinkSettings::kDefaultDirectory));

    s.bindAddress = value("BIND_ADDRESS");
    if (!s.bindAddress.isEmpty() && !echolink::isUnicastIpv4(s.bindAddress.toStdString()))
        return bad("BIND_ADDRESS", QStringLiteral("is '%1': give an IPv4 address of this machine such as 192.168.1.5, "
                                                  "or leave it empty for every address").arg(s.bindAddress));

    const QString proxy = value("PROXY");
    if (!proxy.isEmpty()) {
        const qsizetype colon = proxy.lastIndexOf(u':');
        bool ok = false;
        const uint port = colon > 0 ? proxy.mid(colon + 1).toUInt(&ok) : 0;
        const QString host = colon > 0 ? proxy.left(colon).trimmed() : QString();
        if (!ok || port == 0 || port > 65535 || host.isEmpty() || hasBlankOrControl(host))
            return bad("PROXY", QStringLiteral("is '%1': write it as host:port, for example proxy.example.org:8100, "
                                               "or leave it empty").arg(proxy));
        s.proxyHost = host;
        s.proxyPort = quint16(port);
    }
    s.proxyPassword = raw("PROXY_PASSWORD");

    const QString gsm = value("GSM_ONLY", QStringLiteral("1"));
    if (gsm == QLatin1String("1") || gsm.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        s.gsmOnly = true;
    else if (gsm == QLatin1String("0") || gsm.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        s.gsmOnly = false;
    else if (gsm.isEmpty())
        s.gsmOnly = true;
    else
        return bad("GSM_ONLY", QStringLiteral("is '%1': write 1 (GSM only) or 0").arg(gsm));
    return true;
}

} // namespace gavelry
