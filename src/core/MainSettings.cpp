#include "core/MainSettings.h"


namespace gavelry {

using F = SettingKey::Format;

const SettingsLayout &MainSettings::layout()
{
    static const SettingsLayout table{QStringLiteral("vorivuzav.ini"), [] {
        SettingsTable t{
            {"TEXT3", "Text3", F::Text, "CCC"},
            {"TEXT43", "Text43", F::Text, "**##"},
            {"TEXT39", "Text39", F::Text, "*111*"},
            {"TEXT40", "Text40", F::Text, "*222*"},
            {"TEXT41", "Text41", F::Text, "*333*"},
            {"TEXT44", "Text44", F::Text, "*444*"},
        };
        // TEXT4 ... TEXT34: the DTMF rows.
        for (int n = 4; n <= 34; ++n)
            t.push_back({QStringLiteral("TEXT%1").arg(n), QStringLiteral("Text%1").arg(n), F::Text, QString()});
        const SettingsTable rest{
            {"TEXT42", "Text42", F::Text, ""},
            {"CHECK1", "Check1", F::Check, "1"},
            {"CHECK2", "Check2", F::Check, "1"},
            {"CHECK3", "Check3", F::Check, "1"},
            {"CHECK5", "Check5", F::Check, "1"},
            {"OPTION7", "Option7", F::Truth, "1"},
            {"OPTION8", "Option8", F::Truth, "0"},
            {"PASSWORD", "SysopPwd", F::Text, "FrothyLantern", "Conference"},
            {"CONFERENCE", "Conference", F::UpperText, "Conference 1"},
            {"PASSWORD2", "SysopPwd2", F::Text, "FrothyLantern2", "Conference2"},
            {"CONFERENCE2", "Conference2", F::UpperText, "Conference 2"},
            {"PASSWORD3", "SysopPwd3", F::Text, "FrothyLantern3", "Conference3"},
            {"CONFERENCE3", "Conference3", F::UpperText, "Conference 3"},
            {"PASSWORD4", "SysopPwd4", F::Text, "FrothyLantern4", "Conference4"},
            {"CONFERENCE4", "Conference4", F::UpperText, "Conference 4"},
            {"STATION3", "Station3", F::UpperText, "ENTER_CALLSIGN"},
            {"STATION4", "Station4", F::UpperText, "ENTER_CALLSIGN"},
            {"STAYCON1", "StayCon1", F::Check, "0"},
            {"AUTOENTER", "AutoEnter", F::Check, "0"},
            {"BEACONPERIOD2", "BeaconPeriod2", F::Digits, "10"},
            {"OPTION1", "Option1", F::Truth, "1"},
            {"OPTION2", "Option2", F::Truth, "0"},
            {"OPTION3", "Option3", F::Truth, "0"},
            {"OPTION9", "Option9", F::Truth, "0"},
            {"CHECK4", "Check4", F::Check, "0"},
            {"SUN2", "Sun2", F::Check, "0"},
            {"MON2", "Mon2", F::Check, "0"},
            {"TUE2", "Tue2", F::Check, "0"},
            {"WED2", "Wed2", F::Check, "0"},
            {"THUR2", "Thur2", F::Check, "0"},
            {"FRI2", "Fri2", F::Check, "0"},
            {"SAT2", "Sat2", F::Check, "0"},
            {"HOUR2", "Hour2", F::Digits, "24"},
            {"MINS2", "Mins2", F::Digits, "00"},
            {"HOUR22", "Hour22", F::Digits, "24"},
            {"MINS22", "Mins22", F::Digits, "00"},
            {"SUN", "Sun", F::Check, "0"},
            {"MON", "Mon", F::Check, "0"},
            {"TUE", "Tue", F::Check, "0"},
            {"WED", "Wed", F::Check, "0"},
            {"THUR", "Thur", F::Check, "0"},
            {"FRI", "Fri", F::Check, "0"},
            {"SAT", "Sat", F::Check, "0"},
            {"HOUR", "Hour", F::Digits, "24"},
            {"MINS", "Mins", F::Digits, "00"},
            {"HOUR00", "Hour00", F::Digits, "24"},
            {"MINS00", "Mins00", F::Digits, "00"},
            {"LEFT", "", F::Left, "300"},
            {"TOP", "", F::Top, "300"},
        };
        t.insert(t.end(), rest.begin(), rest.end());
        return t;
    }()};
    return table;
}

} // namespace gavelry
