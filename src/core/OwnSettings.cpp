#include "core/OwnSettings.h"

#include "platform/Logging.h"
#include "platform/ProfileIni.h"

#include <QDir>
#include <QRegularExpression>

namespace gavelry {

const QString OwnSettings::kFileName = QStringLiteral("gavelry.ini");

namespace {

const QString kSection = QStringLiteral("SETTINGS");

/// A callsign as a conference lists it: letters, digits, "-" and "/", or a
/// conference's name in asterisks.
bool isCallsign(const QString &word)
{
    static const QRegularExpression call(QStringLiteral("^(\\*[A-Z0-9_/-]+\\*|[A-Z0-9/-]{1,15})$"));
    return call.match(word).hasMatch();
}

} // namespace

OwnSettings OwnSettings::load(const QString &configDir, QStringList *problems)
{
    OwnSettings s;
    const QString path = QDir(configDir).filePath(kFileName);
    const ProfileIni ini(path);
    const auto notTaken = [&](const QString &key, const QString &value, const QString &taken) {
        const QString what = QStringLiteral("%1 [%2] %3: \"%4\" cannot be read; took %5")
                                 .arg(QDir::toNativeSeparators(path), kSection, key, value, taken);
        qCWarning(lcSettings).noquote() << what;
        if (problems)
            problems->append(what);
    };
    if (ini.readState() == ProfileIni::ReadState::Unreadable) {
        const QString what = QStringLiteral("%1 %2; its defaults are used (every station trusted, notices quoted)")
                                 .arg(QDir::toNativeSeparators(path), ini.readProblem());
        qCWarning(lcSettings).noquote() << what;
        if (problems)
            problems->append(what);
        return s;
    }

    const QString trusted = ini.get(kSection, QStringLiteral("TRUSTED_STATIONS")).trimmed();
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    QStringList calls;
    bool readable = true;
    for (const QString &word : trusted.split(separators, Qt::SkipEmptyParts)) {
        const QString call = word.toUpper();
        readable = readable && isCallsign(call);
        if (!calls.contains(call))
            calls.append(call);
    }
    // A list with something in it that is no callsign trusts nobody rather
    // than everybody: the sysop meant to limit the switches.
    s.m_limited = !calls.isEmpty();
    if (!readable) {
        notTaken(QStringLiteral("TRUSTED_STATIONS"), trusted, QStringLiteral("no station at all"));
        calls.clear();
    }
    s.m_trusted = calls;

    for (int i = 0; i < 4; ++i) {
        const QString key = QStringLiteral("NOTICES%1").arg(i + 1);
        const QString value = ini.get(kSection, key).trimmed();
        if (value.isEmpty() || value.compare(QLatin1String("quoted"), Qt::CaseInsensitive) == 0)
            s.m_notices[size_t(i)] = NoticeForm::Quoted;
        else if (value.compare(QLatin1String("plain"), Qt::CaseInsensitive) == 0)
            s.m_notices[size_t(i)] = NoticeForm::Plain;
        else
            notTaken(key, value, QStringLiteral("\"quoted\""));
    }
    return s;
}

bool OwnSettings::trusts(const QString &sender) const
{
    return !m_limited || m_trusted.contains(sender.trimmed().toUpper());
}

OwnSettings::NoticeForm OwnSettings::notices(int profile) const
{
    return profile >= 0 && profile < 4 ? m_notices[size_t(profile)] : NoticeForm::Quoted;
}

QString OwnSettings::outgoing(const QString &line, int profile) const
{
    static const QLatin1String carrier(".quote ");
    if (notices(profile) == NoticeForm::Plain && line.startsWith(carrier))
        return line.mid(carrier.size());
    return line;
}

} // namespace gavelry
