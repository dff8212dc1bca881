#include "ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace gavelry {

namespace {

QString decode(const QByteArray &bytes)
{
    // INI files written on Windows are in the ANSI code page; ours are UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    text.remove(QChar(u'\0'));
    return text;
}

bool isSectionLine(const QString &trimmed)
{
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString sectionName(const QString &trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

QString stripQuotes(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

ProfileIni::ProfileIni(QString path) : m_path(std::move(path)) { reload(); }

void ProfileIni::reload()
{
    m_lines.clear();
    m_crlf = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = decode(file.readAll());
    m_crlf = text.contains(QStringLiteral("\r\n"));
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\r', u'\n');
    m_lines = normalised.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int ProfileIni::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t) && sectionName(t).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ProfileIni::findKey(int sectionLine, const QString &key) const
{
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t))
            break;
        if (t.isEmpty() || isComment(t))
            continue;
        const qsizetype eq = t.indexOf(u'=');
        const QString name = (eq < 0 ? t : t.left(eq)).trimmed();
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> ProfileIni::find(const QString &section, const QString &key) const
{
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const int k = findKey(s, key);
    if (k < 0)
        return std::nullopt;
    const QString t = m_lines.at(k).trimmed();
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return QString();
    return stripQuotes(t.mid(eq + 1).trimmed());
}

QString ProfileIni::get(const QString &section, const QString &key, const QString &def) const
{
    return find(section, key).value_or(def);
}

void ProfileIni::set(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    // A line break would end the value and start a line of its own.
    clean.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    clean.replace(u'\r', u' ');
    clean.replace(u'\n', u' ');
    const QString line = key + u'=' + clean;

    int s = findSection(section);
    if (s < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
        return;
    }
    // Append after the section's last non-blank line.
    int insertAt = s + 1;
    for (int i = s + 1; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t))
            break;
        if (!t.isEmpty())
            insertAt = i + 1;
    }
    m_lines.insert(insertAt, line);
}

bool ProfileIni::save()
{
    m_error.clear();
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("Cannot create the folder %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
    // The files hold conference passwords.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QByteArray out;
    for (const QString &l : std::as_const(m_lines))
        out += (l + eol).toUtf8();
    file.write(out);
    if (!file.commit()) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}

void SettingsFile::set(const QString &key, const QString &value)
{
    // Reading trims the value and takes one pair of enclosing quotes away.
    const bool wrap = value.trimmed() != value || stripQuotes(value) != value;
    m_ini.set(m_section, key, wrap ? u'"' + value + u'"' : value);
}

SettingsFile::SettingsFile(const QString &configDir, const QString &fileName, const QString &section)
    : m_ini(QDir(configDir).filePath(fileName)), m_section(section)
{
}

} // namespace gavelry
