#include "enforcement/TimedSlot.h"

#include "core/ModerationLog.h"
#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "platform/EditStyle.h"
#include "core/Errors.h"
#include "enforcement/Form321.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gavelry {

namespace {

/// The longest duration box that is read as minutes: nine digits, close to
/// two thousand years, far from any overflow.
constexpr int kMostDurationDigits = 9;

} // namespace

TimedSlot::TimedSlot(Form321 &form, ModerationActions &actions, int number, Controls controls,
                     bool twoBlankPlainNotice)
    : QObject(&form),
      m_form(form),
      m_number(number),
      m_kind(slotstate::kindOf(number)),
      m_c(controls),
      m_actions(actions),
      m_twoBlankPlainNotice(twoBlankPlainNotice)
{
    EditStyle::setDigitsOnly(m_c.duration);
    connect(m_c.timer, &Timer::timeout, this, &TimedSlot::Timer_Timer);
    connect(m_c.release, &QPushButton::clicked, this, &TimedSlot::Command_Click);
    connect(m_c.duration, &QLineEdit::textChanged, this, &TimedSlot::BeaconPeriod_Change);
    connect(m_c.use, &QCheckBox::toggled, this, [this](bool on) {
        m_toldWaiting = false;
        if (on)
            dueFromCount();
        else
            m_due.reset(); // stopped: the count keeps what it shows
        emit changed();
    });
    connect(m_c.call, &QLineEdit::textChanged, this, [this] {
        if (counting())
            emit changed();
    });
}

bool TimedSlot::counting() const { return controls::checkValue(m_c.use) == 1; }

bool TimedSlot::held() const
{
    const std::optional<qint64> full = fullSeconds();
    return !full || *full == 0;
}

std::optional<qint64> TimedSlot::fullSeconds() const
{
    const QString text = m_c.duration->text();
    if (text.isEmpty() || text.size() > kMostDurationDigits)
        return std::nullopt;
    qint64 minutes = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        minutes = minutes * 10 + (c.unicode() - u'0');
    }
    return minutes * 60;
}

void TimedSlot::setSeconds(qint64 seconds)
{
    const QString text = QString::number(seconds);
    if (m_c.seconds->text() != text)
        m_c.seconds->setText(text);
}

qint64 TimedSlot::secondsShown() const
{
    bool ok = false;
    const qint64 left = m_c.seconds->text().toLongLong(&ok);
    return ok && left > 0 ? left : 0;
}

void TimedSlot::dueFromCount()
{
    if (held())
        m_due.reset();
    else
        m_due = m_form.context().scheduler.utcNow().addSecs(secondsShown());
}

void TimedSlot::Timer_Timer()
{
    skipOnError(m_form.context(), [&] {
        if (!counting() || held())
            return;
        if (!m_due)
            dueFromCount();
        qint64 left = secondsShown();
        if (left > 0)
            --left;
        // A tick and the clock may differ by part of a second; more than
        // that, and the clock was set or ticks were lost: the clock wins.
        const qint64 byClock = slotstate::secondsUntil(m_form.context().scheduler.utcNow(), *m_due);
        if (byClock < left - 1 || byClock > left + 1)
            left = byClock;
        setSeconds(left);
        if (left <= 0)
            release();
    });
}

void TimedSlot::release()
{
    const QString call = m_c.call->text();
    ModerationLog *log = m_form.context().log;
    ModerationLog::Cause cause(log, QStringLiteral("timed %1 slot %2 ran out")
                                        .arg(m_kind == SlotKind::UnBan ? QStringLiteral("un-ban") : QStringLiteral("un-mute"))
                                        .arg(m_kind == SlotKind::UnBan ? m_number - 3 : m_number));
    if (call.isEmpty()) {
        // Nobody to release: the slot runs out quietly.
        if (log)
            log->action(QStringLiteral("slot back to idle, no station in it"), QString());
        backToIdle();
        return;
    }
    if (!m_form.linked()) {
        if (log && !m_toldWaiting)
            log->action(QStringLiteral("release waits for a linked conference"), call);
        reportDueOnce(call);
        return;
    }
    const moderation::Outcome outcome = [&] {
        ModerationActions::Untold untold(m_actions);
        return lift(call, moderation::Chat::Unchanged);
    }();
    if (outcome.sent.isEmpty() && outcome.failed()) {
        // Not released: the slot stays due and tries again next second.
        // Every failed try is reported, also after a wait for a link was.
        QString name = slotName();
        name[0] = name[0].toUpper();
        m_form.context().report(QStringLiteral("%1 could not %2 %3, tries again in a second: %4")
                                    .arg(name, m_kind == SlotKind::UnMute ? QStringLiteral("un-mute") : QStringLiteral("un-ban"), call,
                                         outcome.why));
        return;
    }
    // The command went: a notice that failed is told, not sent again.
    if (outcome.failed())
        m_form.context().report(outcome.why);
    backToIdle();
}

moderation::Outcome TimedSlot::lift(const QString &call, moderation::Chat chat)
{
    using namespace moderation;
    // The box may hold what the slots file held: kept to one line.
    const QString one = channel::oneLine(call);
    const Notice notice = m_twoBlankPlainNotice ? Notice::ReleasedSpaced : Notice::Released;
    return m_kind == SlotKind::UnMute ? m_actions.unmute(one, notice, Span::Untimed, chat, Gate::Ungated)
                                      : m_actions.unban(one, notice, chat, Gate::Ungated);
}

void TimedSlot::backToIdle()
{
    if (const std::optional<qint64> full = fullSeconds())
        setSeconds(*full);
    controls::setCheckValue(m_c.use, 0);
}

void TimedSlot::reportDueOnce(const QString &call)
{
    if (m_toldWaiting)
        return;
    m_toldWaiting = true;
    QString name = slotName();
    name[0] = name[0].toUpper();
    m_form.context().report(QStringLiteral("%1 is due, but no conference is linked: %2 is %3 as soon as a link is up")
                                .arg(name, call, releaseWord()));
}

void TimedSlot::Command_Click()
{
    stopOnError(m_form.context(), [&] {
        const QString call = m_c.call->text();
        if (call.isEmpty())
            return;
        if (!m_form.linked()) {
            m_form.context().dialogs.messageBox(
                QStringLiteral("No conference is linked, so %1 cannot be %2 now. The slot is left as it is.")
                    .arg(call, releaseWord()),
                QStringLiteral("Timed Ban / Un-Ban"), MsgButtons::Ok, MsgIcon::Warning);
            return;
        }
        if (!lift(call, moderation::Chat::Shown).failed())
            backToIdle();
    });
}

void TimedSlot::BeaconPeriod_Change()
{
    QLineEdit *box = m_c.duration;
    skipOnError(m_form.context(), [&] { EditStyle::setDigitsOnly(box); });
    if (box->text().isEmpty()) {
        box->setText(QStringLiteral("0")); // the change runs again with it
        return;
    }
    skipOnError(m_form.context(), [&] {
        if (const std::optional<qint64> full = fullSeconds())
            setSeconds(*full);
        else
            m_form.context().report(
                QStringLiteral("The minutes of %1 are not a number of minutes: the slot waits").arg(slotName()));
    });
    if (counting()) {
        dueFromCount();
        emit changed();
    }
}

std::optional<SlotRecord> TimedSlot::record() const
{
    if (!counting())
        return std::nullopt;
    SlotRecord r{m_number, m_kind, m_c.call->text(), std::nullopt};
    if (!held())
        r.due = m_due ? *m_due : m_form.context().scheduler.utcNow().addSecs(secondsShown());
    return r;
}

void TimedSlot::restore(const SlotRecord &record)
{
    if (!record.due)
        m_c.duration->setText(QStringLiteral("0"));
    else
        setSeconds(slotstate::secondsUntil(m_form.context().scheduler.utcNow(), *record.due));
    m_c.call->setText(record.call);
    controls::setCheckValue(m_c.use, 1);
    if (!record.due)
        return;
    // Due when the file says, whatever the clock showed when the count stopped.
    m_due = record.due;
    if (m_c.seconds->text() == QLatin1String("0"))
        release();
}

QString TimedSlot::slotName() const
{
    return m_kind == SlotKind::UnMute ? QStringLiteral("un-mute slot %1").arg(m_number)
                                      : QStringLiteral("un-ban slot %1").arg(m_number - 3);
}

QString TimedSlot::releaseWord() const
{
    return m_kind == SlotKind::UnMute ? QStringLiteral("un-muted") : QStringLiteral("un-banned");
}

} // namespace gavelry
