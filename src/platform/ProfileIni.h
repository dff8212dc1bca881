#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace gavelry {

/// A Windows profile (INI) file with the semantics of the profile-string
/// calls: section and key names compare case-insensitively, values are text,
/// a write changes only its own key and keeps the order, the other keys and
/// sections, and the comment lines of the file.
///
/// INI files written on Windows load unchanged: CRLF or LF line ends,
/// blanks around "=", values in matching quotes (the quotes are dropped).
/// Unlike the Windows call, values are read whole (no 255-character cut).
///
/// The file is read once on construction (or reload()); set() changes the
/// copy in memory and save() writes it back atomically with owner-only
/// permissions. A line break inside a value is stored as a blank so it can
/// never start another key.
class ProfileIni {
public:
    explicit ProfileIni(QString path);

    const QString &path() const { return m_path; }
    void reload();

    /// The value of key in section, or def when either is missing.
    QString get(const QString &section, const QString &key, const QString &def = QString()) const;
    std::optional<QString> find(const QString &section, const QString &key) const;
    void set(const QString &section, const QString &key, const QString &value);

    /// Writes the file. On failure returns false and error() says why.
    bool save();
    const QString &error() const { return m_error; }

private:
    int findSection(const QString &section) const;
    int findKey(int sectionLine, const QString &key) const;

    QString m_path;
    QStringList m_lines;
    QString m_error;
    bool m_crlf = false;
};

/// Reads and writes one section of one INI file in the configuration folder.
/// The small convenience the windows use: SETTINGS, keyed by name.
class SettingsFile {
public:
    SettingsFile(const QString &configDir, const QString &fileName,
                 const QString &section = QStringLiteral("SETTINGS"));
    QString get(const QString &key, const QString &def) const { return m_ini.get(m_section, key, def); }
    /// Writes the value so that get reads it back as it was: a value with blanks
    /// at an end, or one in quotes, is written in a pair of quotes of its own.
    void set(const QString &key, const QString &value);
    bool save() { return m_ini.save(); }
    QString error() const { return m_ini.error(); }
    const QString &path() const { return m_ini.path(); }

private:
    ProfileIni m_ini;
    QString m_section;
};

} // namespace gavelry
