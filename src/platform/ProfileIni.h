#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

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
/// permissions, keeping the version it replaces as PATH.bak. A line break
/// inside a value is stored as a blank so it can never start another key.
///
/// Files from Windows editors keep their encoding: UTF-16 (little or big
/// endian) and UTF-8 with a byte-order mark (which counts only at the very
/// start of the file, as on Windows) are written back the same way,
/// and a file in the Windows code page (bytes above 127 that are not UTF-8)
/// is read as Windows-1252 and written back byte for byte. Only a regular
/// file of at most a megabyte is read; a file that is there but cannot be
/// read is never written over.
class ProfileIni {
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };
    enum class ReadState { Missing, Read, Unreadable };

    explicit ProfileIni(QString path);

    const QString &path() const { return m_path; }
    void reload();

    ReadState readState() const { return m_readState; }
    /// For Unreadable: why, as a phrase after the file's name.
    const QString &readProblem() const { return m_readProblem; }
    Encoding encoding() const { return m_encoding; }

    /// The value of key in section, or def when either is missing.
    QString get(const QString &section, const QString &key, const QString &def = QString()) const;
    std::optional<QString> find(const QString &section, const QString &key) const;
    void set(const QString &section, const QString &key, const QString &value);

    /// Writes the file. On failure returns false, error() says why and the
    /// file on disk is as it was. A file that could not be read is not
    /// written over.
    bool save();
    const QString &error() const { return m_error; }
    /// After a save that worked: why the previous version could not be kept
    /// as a backup, or an empty string.
    const QString &backupProblem() const { return m_backupProblem; }

    /// Writes the entries into section of the file at path one after the
    /// other, each as ProfileIni(path), set() and save() would: the file,
    /// its backup and the error of each entry's save (empty when it was
    /// saved) come out the same. But the file is read once and written at
    /// most twice, however many entries there are, whenever what is written
    /// reads back as it was (no NUL, no Windows code page, nothing that
    /// reads as a section or a comment); otherwise it goes one by one. When
    /// the disk refuses a write, every entry whose value is not in the file
    /// says so, and the backup may be older than one by one.
    static QStringList setEach(const QString &path, const QString &section,
                               const QList<std::pair<QString, QString>> &entries);

private:
    int findSection(const QString &section) const;
    int findKey(int sectionLine, const QString &key) const;
    bool readsBackAsWritten(const QString &section, const QList<std::pair<QString, QString>> &entries) const;
    QStringList setEachInMemory(const QString &section, const QList<std::pair<QString, QString>> &entries);

    QString m_path;
    QStringList m_lines;
    QString m_error;
    QString m_backupProblem;
    QString m_readProblem;
    ReadState m_readState = ReadState::Missing;
    Encoding m_encoding = Encoding::Utf8;
    bool m_crlf = false;
};

/// Reads and writes one section of one INI file in the configuration folder.
/// The small convenience the windows use: SETTINGS, keyed by name.
class SettingsFile {
public:
    /// Whether a file that is there but cannot be read is replaced, for
    /// reading, by its backup NAME.bak.
    enum class Fallback { None, Backup };

    SettingsFile(const QString &configDir, const QString &fileName,
                 const QString &section = QStringLiteral("SETTINGS"), Fallback fallback = Fallback::None);
    QString get(const QString &key, const QString &def) const { return reading().get(m_section, key, def); }
    /// Writes the value so that get reads it back as it was: a value with blanks
    /// at an end, or one in quotes, is written in a pair of quotes of its own.
    void set(const QString &key, const QString &value);
    bool save() { return m_ini.save(); }
    QString error() const { return m_ini.error(); }
    const QString &path() const { return m_ini.path(); }
    /// What the operator should be told about the reading: the file could not
    /// be read, and its backup or the defaults are used. Empty when it was read.
    const QString &notice() const { return m_notice; }
    /// After a save: the previous version could not be kept as a backup.
    QString backupProblem() const { return m_ini.backupProblem(); }

private:
    const ProfileIni &reading() const { return m_backup ? *m_backup : m_ini; }

    ProfileIni m_ini;
    std::optional<ProfileIni> m_backup; ///< read in place of m_ini, which could not be
    QString m_section;
    QString m_notice;
};

} // namespace gavelry
