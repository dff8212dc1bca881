#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace gavelry {

/// One key of a window's settings file: which control it fills and how.
struct SettingKey {
    enum class Format {
        Text,      ///< the box's text, unchanged
        Digits,    ///< a digits-only box's text; a value that is not all digits,
                   ///< or longer than the box holds, takes the default whole.
                   ///< An empty value is kept as it is: an empty time matches
                   ///< no clock, and an emptied limit box has its own rule
        UpperText, ///< the box's text; the save upper-cases the box in place first
        Check,     ///< check box value, written "0"/"1" (2 greyed)
        Truth,     ///< option button, written "True"/"False", read also as "1"/"0"
        Left,      ///< the window's left edge, twips
        Top,       ///< the window's top edge, twips
    };
    QString key;
    QString control; ///< objectName of the control; empty for the window
    Format format;
    QString def;     ///< taken when the key is missing or unreadable
    /// A box the save upper-cases in place just before writing this key
    /// (the main window's conference box before its profile's password).
    QString upperFirst = {};
};

/// A settings file's keys in file order; load and save both walk it, so they
/// cannot drift apart.
using SettingsTable = std::vector<SettingKey>;

/// A window's settings file: its name in the configuration folder and its
/// keys, all in section SETTINGS.
struct SettingsLayout {
    QString file;
    SettingsTable keys;
};

/// The section every settings file keeps its keys in.
inline const QString kSettingsSection = QStringLiteral("SETTINGS");

/// Reads every key of table from section SETTINGS of file (in the
/// configuration folder) into form's controls, in table order. A value that
/// cannot be read takes its key's default, and the log says so as
/// FILE [SETTINGS] KEY with the value found and the value taken; unreadable,
/// when given, gets the names of those keys in file order.
///
/// Text values are taken whole: a line edit without a shorter maximum of its
/// own is made to hold as much as a settings file can.
///
/// A file that is there but cannot be read is replaced by its backup
/// (FILE.bak), or by the defaults when that cannot be read either; the
/// returned text then says so for the operator. Empty when the file was read
/// or is missing.
QString loadSettings(QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table,
                     QStringList *unreadable = nullptr);

/// Writes every key of table. Returns an empty string on success, otherwise
/// why the file could not be written (it is then as it was). After a save
/// that worked, backupProblem (when given) says why the previous version
/// could not be kept as FILE.bak, or is empty.
QString saveSettings(QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table,
                     QString *backupProblem = nullptr);

} // namespace gavelry
