#pragma once

#include "core/SettingsTable.h"

namespace gavelry {

/// vorivuzav.ini: the main window's settings, one section SETTINGS, walked
/// key by key in file order by both the load and the save.
class MainSettings {
public:
    using Key = SettingKey;
    using Format = SettingKey::Format;

    static QString fileName() { return layout().file; }
    /// The keys in file order.
    static const SettingsTable &keys() { return layout().keys; }
    static const SettingsLayout &layout();
};

} // namespace gavelry
