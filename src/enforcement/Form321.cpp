#include "enforcement/Form321.h"

#include "core/ModerationLog.h"
#include "core/OwnSettings.h"
#include "core/Form6.h"
#include "core/Caption.h"
#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Scheduler.h"

namespace gavelry {

namespace {

using F = SettingKey::Format;

const SettingsLayout &fileLayout()
{
    static const SettingsLayout layout{QStringLiteral("ban.ini"), [] {
        SettingsTable t;
        // Entry 2 comes first in the file, then entry 1.
        for (const QString &suffix : {QStringLiteral("2"), QString()}) {
            const QString n = suffix.isEmpty() ? QStringLiteral("1") : suffix;
            t.push_back({QStringLiteral("TEXT") + n, QStringLiteral("Text") + n, F::Text, QString()});
            for (const char *day : {"SUN", "MON", "TUE", "WED", "THUR", "FRI", "SAT"}) {
                const QString key = QString::fromLatin1(day);
                const QString control = key.left(1) + key.mid(1).toLower();
                t.push_back({key + suffix, control + suffix, F::Check, QStringLiteral("0")});
            }
            const QString off = suffix.isEmpty() ? QStringLiteral("00") : QStringLiteral("22");
            t.push_back({QStringLiteral("HOUR") + suffix, QStringLiteral("Hour") + suffix, F::Digits, QStringLiteral("24")});
            t.push_back({QStringLiteral("MINS") + suffix, QStringLiteral("Mins") + suffix, F::Digits, QStringLiteral("00")});
            t.push_back({QStringLiteral("HOUR") + off, QStringLiteral("Hour") + off, F::Digits, QStringLiteral("24")});
            t.push_back({QStringLiteral("MINS") + off, QStringLiteral("Mins") + off, F::Digits, QStringLiteral("00")});
        }
        t.push_back({QStringLiteral("LEFT"), QString(), F::Left, QStringLiteral("300")});
        t.push_back({QStringLiteral("TOP"), QString(), F::Top, QStringLiteral("300")});
        return t;
    }()};
    return layout;
}

} // namespace

Form321::Form321(AppContext &context, QWidget *parent) : TimedBanWindow(context, parent)
{
    ui.setupUi(this);
    setObjectName(QStringLiteral("Form321"));
    for (Timer **t : {&Timer1, &Timer3, &Timer4, &Timer6, &Timer5, &Timer2}) {
        *t = ctx.scheduler.createTimer(this);
        (*t)->setInterval(1000);
    }
    connect(ui.Command5, &QPushButton::clicked, this, &Form321::SaveData);
    connect(ui.SaveAndExit, &QPushButton::clicked, this, &Window::hideWindow);
}

const SettingsLayout *Form321::settingsLayout() const { return &fileLayout(); }

void Form321::Form_Load()
{
    setWindowTitle(windowCaption(createClient().localCallsign(), QStringLiteral("       Timed Ban / Un-Ban")));
    loadOwnSettings();
    for (Timer *t : {Timer1, Timer3, Timer4, Timer6, Timer5, Timer2})
        t->setEnabled(true);
}

void Form321::SaveData() { saveOwnSettingsOrSay(QStringLiteral("The auto-ban schedule"), QStringLiteral("Save")); }

bool Form321::handOver(std::initializer_list<std::pair<QCheckBox *, QLineEdit *>> candidates, const QString &call)
{
    for (const auto &[use, box] : candidates) {
        if (controls::checkValue(use) != 0)
            continue;
        box->setText(call);
        controls::setCheckValue(use, 1);
        return true;
    }
    return false;
}

bool Form321::timedMuteHandOver(const QString &call)
{
    return handOver({{ui.StopClock1, ui.Text4}, {ui.StopClock2, ui.Text6}, {ui.StopClock3, ui.Text8}}, call);
}

bool Form321::timedBanHandOver(const QString &call)
{
    return handOver({{ui.StopClock4, ui.Text9}, {ui.StopClock5, ui.Text5}}, call);
}

bool Form321::linked() const
{
    if (!EchoLink())
        return false;
    try {
        return EchoLink()->connectionCount() > 0;
    } catch (const ClientError &) {
        return false;
    }
}

} // namespace gavelry
