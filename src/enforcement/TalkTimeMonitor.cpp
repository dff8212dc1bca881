#include "enforcement/TalkTimeMonitor.h"

#include "core/AdminGate.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "core/Errors.h"
#include "platform/ClientLink.h"
#include "core/ModerationLog.h"
#include "core/Form6.h"
#include "platform/Scheduler.h"
#include "core/StationTracking.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <charconv>
#include <climits>

namespace gavelry {

namespace {

/// A conference's name is its callsign in asterisks; a conference that keeps
/// the channel busy is disconnected, never muted.
bool isConference(const QString &call) { return call.startsWith(QLatin1Char('*')); }

// The talker is what the station information named: text from the network,
// kept to one line wherever it goes out.

QString warning(const QString &talker, const QString &what)
{
    return QStringLiteral(" >> WARNING ") + channel::oneLine(talker) + QStringLiteral(" << 60 seconds to ") + what
        + QStringLiteral(" from the Conference. >> Admin Bot <<");
}

QString autoMuteNotice(const QString &talker, const QString &minutes)
{
    return QStringLiteral("** Auto Mute ** Has been sent to ") + channel::oneLine(talker)
        + QStringLiteral(" the node exceeding the conference key down limit of ") + minutes
        + QStringLiteral(" minutes without a break. Disconnect and reconnect to remove the Mute. << Admin Bot >>");
}

QString autoDisconnectNotice(const QString &talker, const QString &minutes)
{
    return QStringLiteral("** Auto Disconnect ** Has been sent to ") + channel::oneLine(talker)
        + QStringLiteral(" the node exceeding the conference key down limit of ") + minutes
        + QStringLiteral(" minutes without a break. << Admin Bot >>");
}

TalkTimeControls controlsOf(const Form6 &w)
{
    using controls::child;
    return {
        .BeaconPeriod2 = child<QLineEdit>(w, "BeaconPeriod2"),
        .Check3 = child<QCheckBox>(w, "Check3"),
        .BeaconSeconds2 = child<QLabel>(w, "BeaconSeconds2"),
        .Option7 = child<QRadioButton>(w, "Option7"),
        .Option8 = child<QRadioButton>(w, "Option8"),
    };
}

} // namespace

TalkTimeMonitor::TalkTimeMonitor(Form6 &form, const AdminGate &gate)
    : m_form(form), m_gate(gate), m_c(controlsOf(form))
{
    connect(m_form.Timer4, &Timer::timeout, this, &TalkTimeMonitor::Timer4_Timer);
    connect(m_form.Timer5, &Timer::timeout, this, &TalkTimeMonitor::Timer5_Timer);
    connect(m_c.BeaconPeriod2, &QLineEdit::textChanged, this, &TalkTimeMonitor::BeaconPeriod2_Change);
    // A transmission starting or ending is what the reset job waits for.
    connect(&m_form, &Form6::clientCreated, this,
            [this](ClientLink *link) { connect(link, &ClientLink::RX, this, &TalkTimeMonitor::wakeResetJob); });
}

void TalkTimeMonitor::switchRemotely(bool on) { controls::setCheckValue(m_c.Check3, on ? 1 : 0); }

void TalkTimeMonitor::setLimitRemotely(const QString &minutes) { controls::setCaption(m_c.BeaconPeriod2, minutes); }

void TalkTimeMonitor::wakeResetJob() { m_form.Timer4->setDormant(false); }

void TalkTimeMonitor::Timer5_Timer()
{
    // Once a second the reset job looks again whatever happened, so even a
    // change it was not told of is caught.
    wakeResetJob();
    if (!gateOpen())
        return;
    correctZeroLimit();
    if (!transmitting())
        return;
    if (!countDown())
        return;
    const Mode m = mode();
    warnAt60(m);
    actAt0(m);
}

bool TalkTimeMonitor::gateOpen()
{
    // Greyed while we may not act, so the operator sees why nothing counts.
    const bool open = !m_gate.closed();
    if (m_c.Check3->isEnabled() != open)
        m_c.Check3->setEnabled(open);
    return open;
}

void TalkTimeMonitor::correctZeroLimit()
{
    if (m_c.BeaconPeriod2->text() == QLatin1String("0"))
        m_c.BeaconPeriod2->setText(QStringLiteral("1"));
}

bool TalkTimeMonitor::transmitting() const { return m_form.receiveIndicator() != TxCaption::Off; }

bool TalkTimeMonitor::countDown()
{
    if (controls::checkValue(m_c.Check3) == 0)
        return false;
    bool ok = false;
    const int left = m_c.BeaconSeconds2->text().toInt(&ok);
    if (ok) {
        m_c.BeaconSeconds2->setText(QString::number(left - 1));
        wakeResetJob();
    }
    return true;
}

void TalkTimeMonitor::warnAt60(Mode m)
{
    if (m == Mode::None || m_c.BeaconSeconds2->text() != QLatin1String("60"))
        return;
    const QString call = talker();
    ModerationLog::Cause cause(m_form.context().log, QStringLiteral("talk-time limit (warning)"), call);
    const bool disconnects = m == Mode::Disconnect || isConference(call);
    send(warning(call, disconnects ? QStringLiteral("Auto Disconnect") : QStringLiteral("Auto Mute")));
}

void TalkTimeMonitor::actAt0(Mode m)
{
    if (m == Mode::None || m_c.BeaconSeconds2->text() != QLatin1String("0"))
        return;
    restartCountdown();
    const QString call = talker();
    ModerationLog::Cause cause(m_form.context().log,
                               QStringLiteral("talk-time limit of %1 minutes").arg(minutes()), call);
    if (m == Mode::Disconnect) {
        // Tell the conference first: once disconnected the station hears nothing.
        send(autoDisconnectNotice(call, minutes()));
        send(channel::disconnectTalking());
    } else if (isConference(call)) {
        send(channel::disconnectTalking());
        send(autoDisconnectNotice(call, minutes()));
    } else {
        send(channel::muteTalking());
        send(autoMuteNotice(call, minutes()));
    }
}

TalkTimeMonitor::Mode TalkTimeMonitor::mode() const
{
    if (m_c.Option7->isChecked())
        return Mode::Mute;
    if (m_c.Option8->isChecked())
        return Mode::Disconnect;
    return Mode::None;
}

QString TalkTimeMonitor::talker() const { return m_form.talker(); }

QString TalkTimeMonitor::minutes() const { return m_c.BeaconPeriod2->text(); }

bool TalkTimeMonitor::fullLimit(int &seconds) const
{
    bool ok = false;
    const int limit = m_c.BeaconPeriod2->text().toInt(&ok);
    if (!ok || limit > INT_MAX / 60 || limit < INT_MIN / 60)
        return false;
    seconds = limit * 60;
    return true;
}

void TalkTimeMonitor::restartCountdown()
{
    int seconds = 0;
    if (fullLimit(seconds)) {
        m_c.BeaconSeconds2->setText(QString::number(seconds));
        wakeResetJob();
    } else
        m_form.context().report(QStringLiteral("The talk-time limit is not a number of minutes"));
}

void TalkTimeMonitor::send(const QString &line)
{
    skipOnError(m_form.context(), [&] { m_form.Send(line); });
}

void TalkTimeMonitor::Timer4_Timer()
{
    resetCountdown();
    // Its next run would find the same and change nothing until a
    // transmission starts or ends, the limit or the countdown changes: the
    // job rests till one of them wakes it, and the process sleeps meanwhile.
    m_form.Timer4->setDormant(true);
}

void TalkTimeMonitor::resetCountdown()
{
    // Runs every 10 ms while awake: read, compare, and write only when the
    // countdown is not already at the full limit. It never spins a nested
    // event loop to let other events in: Qt runs them between ticks anyway,
    // and nesting would re-enter the handlers.
    if (m_form.receiveIndicator() == TxCaption::On)
        return;
    int seconds = 0;
    if (!fullLimit(seconds))
        return; // no limit to go back to: the countdown keeps its value
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, seconds).ptr;
    if (m_c.BeaconSeconds2->text() != QLatin1StringView(digits, written - digits))
        m_c.BeaconSeconds2->setText(QString::number(seconds));
}

void TalkTimeMonitor::BeaconPeriod2_Change()
{
    wakeResetJob();
    QLineEdit *box = m_c.BeaconPeriod2;
    EditStyle::setDigitsOnly(box);
    if (box->text().isEmpty()) {
        // Setting "1" runs this handler again, which starts the tick; stopping
        // it afterwards leaves it stopped until the next change.
        box->setText(QStringLiteral("1"));
        m_form.Timer5->setEnabled(false);
        // The box shows "1" while nothing is counted: say so, or the sysop
        // would take the limit for one minute.
        m_form.context().report(QStringLiteral("The talk-time limit is off: its minutes box was emptied. "
                                               "Type the minutes to switch it on again."));
    } else {
        m_form.Timer5->setEnabled(true);
    }
}

} // namespace gavelry
