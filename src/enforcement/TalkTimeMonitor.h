#pragma once

#include "core/TalkTimeSwitch.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace gavelry {

class AdminGate;
class Form6;

/// The main window's talk-time controls: the limit in minutes, "Talk-time
/// limit on", the countdown in seconds, and what happens at its end.
struct TalkTimeControls {
    QLineEdit *BeaconPeriod2;
    QCheckBox *Check3;
    QLabel *BeaconSeconds2;
    QRadioButton *Option7, *Option8;
};

/// The conference's key-down limit. A station that transmits without a break
/// for longer than the limit (minutes in BeaconPeriod2) is warned in chat one
/// minute before and then muted or disconnected (Option7 "Mute", Option8
/// "Disconnect"). The countdown is the caption of BeaconSeconds2; it only
/// runs while PTT reads "IP TX ON", Check3 is ticked and the admin gate is
/// open, and any end of transmission puts it back to the full limit. The
/// talker and the receive indicator are the main window's, read as values.
class TalkTimeMonitor : public QObject, public TalkTimeSwitch {
    Q_OBJECT
public:
    TalkTimeMonitor(Form6 &form, const AdminGate &gate);

    void switchRemotely(bool on) override;
    void setLimitRemotely(const QString &minutes) override;

    /// Every second: counts down one second of transmission, warns at 60 and
    /// acts at 0.
    void Timer5_Timer();
    /// Every 10 ms: the full limit back on the countdown while nobody transmits.
    void Timer4_Timer();
    /// The limit box changed (typed or set by the program).
    void BeaconPeriod2_Change();

private:
    /// Timer4's job: the full limit back on the countdown unless someone transmits.
    void resetCountdown();
    /// The reset job runs again from its next tick.
    void wakeResetJob();

    enum class Mode { None, Mute, Disconnect };

    bool gateOpen();
    void correctZeroLimit();
    bool transmitting() const;
    bool countDown();
    void warnAt60(Mode mode);
    void actAt0(Mode mode);

    Mode mode() const;
    QString talker() const;
    QString minutes() const;
    /// The limit in seconds; false when the limit box holds no number.
    bool fullLimit(int &seconds) const;
    void restartCountdown();
    void send(const QString &line);

    Form6 &m_form;
    const AdminGate &m_gate;
    const TalkTimeControls m_c;
};

} // namespace gavelry
