#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace gavelry::chat {

/// One key of a window's settings file: which control it fills and how.
struct SettingKey {
    enum class Format {
        Text,  ///< the box's text, unchanged
        Check, ///< check box value, written "0"/"1"
        Truth, ///< option button, written "True"/"False", read also as "1"/"0"
        Left,  ///< the window's left edge, twips
        Top,   ///< the window's top edge, twips
    };
    QString key;
    QString control; ///< objectName of the control; empty for the window
    Format format;
    QString def;     ///< taken when the key is missing or unreadable
};
using SettingsTable = std::vector<SettingKey>;

/// Reads every key of table from section SETTINGS of file (in the
/// configuration folder) into form's controls, in table order.
void loadSettings(QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table);

/// Writes every key of table. Returns an empty string on success, otherwise
/// why the file could not be written.
QString saveSettings(const QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table);

} // namespace gavelry::chat
