#include "MainSettings.h"

#include "Controls.h"
#include "Form6.h"
#include "ProfileIni.h"

#include <QCheckBox>
#include <QDir>
#include <QRadioButton>

namespace gavelry {

using F = MainSettings::Format;

const std::vector<MainSettings::Key> &MainSettings::keys()
{
    static const std::vector<Key> table = [] {
        std::vector<Key> t{
            {"TEXT3", "Text3", F::Text, "CCC"},
            {"TEXT43", "Text43", F::Text, "**##"},
            {"TEXT39", "Text39", F::Text, "*111*"},
            {"TEXT40", "Text40", F::Text, "*222*"},
            {"TEXT41", "Text41", F::Text, "*333*"},
            {"TEXT44", "Text44", F::Text, "*444*"},
        };
        // TEXT4 ... TEXT34: the DTMF rows.
        static const std::vector<QByteArray> rows = [] {
            std::vector<QByteArray> names;
            for (int n = 4; n <= 34; ++n)
                names.push_back("Text" + QByteArray::number(n));
            return names;
        }();
        static const std::vector<QByteArray> rowKeys = [] {
            std::vector<QByteArray> names;
            for (int n = 4; n <= 34; ++n)
                names.push_back("TEXT" + QByteArray::number(n));
            return names;
        }();
        for (size_t i = 0; i < rows.size(); ++i)
            t.push_back({rowKeys[i].constData(), rows[i].constData(), F::Text, ""});
        const std::vector<Key> rest{
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
            {"BEACONPERIOD2", "BeaconPeriod2", F::Text, "10"},
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
            {"HOUR2", "Hour2", F::Text, "24"},
            {"MINS2", "Mins2", F::Text, "00"},
            {"HOUR22", "Hour22", F::Text, "24"},
            {"MINS22", "Mins22", F::Text, "00"},
            {"SUN", "Sun", F::Check, "0"},
            {"MON", "Mon", F::Check, "0"},
            {"TUE", "Tue", F::Check, "0"},
            {"WED", "Wed", F::Check, "0"},
            {"THUR", "Thur", F::Check, "0"},
            {"FRI", "Fri", F::Check, "0"},
            {"SAT", "Sat", F::Check, "0"},
            {"HOUR", "Hour", F::Text, "24"},
            {"MINS", "Mins", F::Text, "00"},
            {"HOUR00", "Hour00", F::Text, "24"},
            {"MINS00", "Mins00", F::Text, "00"},
            {"LEFT", "", F::Left, "300"},
            {"TOP", "", F::Top, "300"},
        };
        t.insert(t.end(), rest.begin(), rest.end());
        return t;
    }();
    return table;
}

MainSettings::MainSettings(Form6 &form) : m_form(form) {}

QString MainSettings::path() const
{
    return QDir(m_form.context().configDir).filePath(QString::fromLatin1(fileName()));
}

QWidget *MainSettings::control(const Key &k) const
{
    return m_form.findChild<QWidget *>(QString::fromLatin1(k.control));
}

namespace {

bool isInteger(const QString &text)
{
    bool ok = false;
    text.trimmed().toLongLong(&ok);
    return ok;
}

/// A check box holds 0, 1 or 2 (greyed); anything else is not a check value.
bool isCheckValue(const QString &text)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok && v >= 0 && v <= 2;
}

bool isTruth(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    t.toDouble(&ok);
    return ok || t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0;
}

void setOption(QRadioButton *option, bool on)
{
    if (option->isChecked() == on)
        return;
    if (on) {
        option->setChecked(true);
        return;
    }
    // An exclusive option button cannot be cleared directly; a settings file
    // may still leave every option of a group clear.
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

} // namespace

void MainSettings::load()
{
    const ProfileIni ini(path());
    const QString section = QStringLiteral("SETTINGS");
    int left = 300;
    int top = 300;
    for (const Key &k : keys()) {
        const QString def = QString::fromLatin1(k.def);
        const QString value = ini.get(section, QString::fromLatin1(k.key), def);
        switch (k.format) {
        case F::Text:
        case F::UpperText:
            controls::setCaption(control(k), value);
            break;
        case F::Check:
            if (auto *box = qobject_cast<QCheckBox *>(control(k)))
                controls::setCheckValue(box, controls::toInt(isCheckValue(value) ? value : def));
            break;
        case F::Truth:
            if (auto *option = qobject_cast<QRadioButton *>(control(k)))
                setOption(option, controls::toBool(isTruth(value) ? value : def));
            break;
        case F::Left:
            left = isInteger(value) ? value.trimmed().toInt() : def.toInt();
            break;
        case F::Top:
            top = isInteger(value) ? value.trimmed().toInt() : def.toInt();
            break;
        }
    }
    m_form.move(controls::toPixels(left), controls::toPixels(top));
}

bool MainSettings::save()
{
    ProfileIni ini(path());
    const QString section = QStringLiteral("SETTINGS");
    for (const Key &k : keys()) {
        if (k.upperFirst) {
            QWidget *box = m_form.findChild<QWidget *>(QString::fromLatin1(k.upperFirst));
            controls::setCaption(box, controls::caption(box).toUpper());
        }
        QString value;
        switch (k.format) {
        case F::Text:
            value = controls::caption(control(k));
            break;
        case F::UpperText: {
            QWidget *box = control(k);
            controls::setCaption(box, controls::caption(box).toUpper());
            value = controls::caption(box);
            break;
        }
        case F::Check:
            if (auto *box = qobject_cast<QCheckBox *>(control(k)))
                value = QString::number(controls::checkValue(box));
            break;
        case F::Truth:
            if (auto *option = qobject_cast<QRadioButton *>(control(k)))
                value = option->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case F::Left:
            value = QString::number(controls::toTwips(m_form.pos().x()));
            break;
        case F::Top:
            value = QString::number(controls::toTwips(m_form.pos().y()));
            break;
        }
        ini.set(section, QString::fromLatin1(k.key), value);
    }
    const bool ok = ini.save();
    m_error = ok ? QString() : ini.error();
    return ok;
}

} // namespace gavelry
