#pragma once

#include "core/SettingsTable.h"
#include "core/WindowRegistry.h"
#include "ui_Form321.h"

namespace gavelry {

class Timer;

/// The timed ban window: three un-mute slots and two un-ban slots that lift
/// a mute or a ban when their count runs out, and the weekly auto-ban
/// schedule (ban.ini). The slots and the schedule are behaviour classes of
/// their own (TimedSlot, AutoBanSchedule) working on these controls; the
/// window holds the controls, the timers, the settings file and its client.
class Form321 : public TimedBanWindow {
    Q_OBJECT
public:
    explicit Form321(AppContext &ctx, QWidget *parent = nullptr);

    // The window's timers, by the names of their jobs' handlers.
    Timer *Timer1 = nullptr; ///< 1 s: un-mute slot 1
    Timer *Timer3 = nullptr; ///< 1 s: un-mute slot 2
    Timer *Timer4 = nullptr; ///< 1 s: un-mute slot 3
    Timer *Timer6 = nullptr; ///< 1 s: un-ban slot 1
    Timer *Timer5 = nullptr; ///< 1 s: un-ban slot 2
    Timer *Timer2 = nullptr; ///< 1 s: clock and weekly auto-ban

    bool timedMuteHandOver(const QString &call) override;
    bool timedBanHandOver(const QString &call) override;

    /// Whether the client has a link up that a line can go out on.
    bool linked() const;

    /// Writes ban.ini ("Save"); a failure is shown in a message box.
    void SaveData();

    /// ban.ini and its keys in file order.
    const SettingsLayout *settingsLayout() const override;

protected:
    void Form_Load() override;

private:
    /// The controls, by their names.
    Ui::Form321 ui;

    /// Puts call into the first of the slots whose use box reads 0.
    bool handOver(std::initializer_list<std::pair<QCheckBox *, QLineEdit *>> candidates, const QString &call);
};

} // namespace gavelry
