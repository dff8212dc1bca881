#pragma once

#include "SettingsTable.h"

namespace gavelry {

class Form6;

/// vorivuzav.ini: the main window's settings, one section SETTINGS, walked
/// key by key in file order by both the load and the save.
class MainSettings {
public:
    using Key = SettingKey;
    using Format = SettingKey::Format;

    static QString fileName() { return QStringLiteral("vorivuzav.ini"); }
    /// The keys in file order.
    static const SettingsTable &keys();

    explicit MainSettings(Form6 &form);

    /// Reads every key into its control. Values that cannot be read give the
    /// key's default; nothing is reported.
    void load();
    /// Writes every key. False when the file could not be written (error()).
    bool save();
    QString error() const { return m_error; }

private:
    Form6 &m_form;
    QString m_error;
};

} // namespace gavelry
