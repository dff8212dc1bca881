#include "enforcement/TimedSlots.h"

#include "core/AdminGate.h"
#include "core/Controls.h"
#include "core/Errors.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "enforcement/SlotState.h"
#include "enforcement/TimedSlot.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gavelry {

namespace {

TimedSlot::Controls slotControls(const Form321 &w, const char *call, const char *use, const char *duration,
                                 const char *seconds, const char *release, Timer *timer)
{
    using controls::child;
    return {
        .call = child<QLineEdit>(w, call),
        .use = child<QCheckBox>(w, use),
        .duration = child<QLineEdit>(w, duration),
        .seconds = child<QLabel>(w, seconds),
        .release = child<QPushButton>(w, release),
        .timer = timer,
    };
}

} // namespace

TimedSlots::TimedSlots(Form321 &form, const Form6 &main, const AdminGate &gate, ModerationActions &actions)
    : m_form(form), m_gate(gate)
{
    m_slots = {
        new TimedSlot(form, actions, 1,
                      slotControls(form, "Text4", "StopClock1", "BeaconPeriod1", "BeaconSeconds1", "Command3",
                                   form.Timer1)),
        new TimedSlot(form, actions, 2,
                      slotControls(form, "Text6", "StopClock2", "BeaconPeriod2", "BeaconSeconds2", "Command4",
                                   form.Timer3)),
        new TimedSlot(form, actions, 3,
                      slotControls(form, "Text8", "StopClock3", "BeaconPeriod3", "BeaconSeconds3", "Command6",
                                   form.Timer4)),
        // Un-ban slot 1's unstamped notice has always had two blanks before
        // its text; stations may recognise it by that.
        new TimedSlot(form, actions, 4,
                      slotControls(form, "Text9", "StopClock4", "BeaconPeriod4", "BeaconSeconds4", "Command1",
                                   form.Timer6),
                      true),
        new TimedSlot(form, actions, 5,
                      slotControls(form, "Text5", "StopClock5", "BeaconPeriod5", "BeaconSeconds5", "Command2",
                                   form.Timer5)),
    };
    for (TimedSlot *s : m_slots)
        connect(s, &TimedSlot::changed, this, [this] {
            if (!m_restoring)
                save();
        });
    connect(&main, &Form6::loaded, this, &TimedSlots::restore);
    connect(controls::child<QPushButton>(main, "TimedBanMute"), &QPushButton::clicked, this,
            &TimedSlots::TimedBanMute_Click);
}

TimedSlots::~TimedSlots() = default;

void TimedSlots::restore()
{
    QStringList problems;
    slotstate::FileState file = slotstate::FileState::Missing;
    const QList<SlotRecord> records = slotstate::read(m_form.context().stateFolder(), problems, &file);
    for (const QString &p : problems)
        m_form.context().report(QStringLiteral("Timed slots from before the restart: %1; what could not be read is left out").arg(p));
    m_keepAside = file == slotstate::FileState::Damaged;
    m_restoring = true;
    for (const SlotRecord &r : records)
        slot(r.slot).restore(r);
    m_restoring = false;
    m_restored = true;
    // The file now says what runs: what was released, and nothing unreadable.
    if (!records.isEmpty() || !problems.isEmpty())
        save();
}

void TimedSlots::save()
{
    if (!m_restored)
        return; // the file has not been read: writing would lose what it holds
    if (m_keepAside) {
        QString keptAs;
        const QString error = slotstate::keepAside(m_form.context().stateFolder(), keptAs);
        if (!error.isEmpty()) {
            if (!m_toldWriteFailed)
                m_form.context().report(QStringLiteral("The running timed slots could not be kept for a restart: %1, "
                                                       "so it is not written over")
                                            .arg(error));
            m_toldWriteFailed = true;
            return;
        }
        m_keepAside = false;
        m_form.context().report(QStringLiteral("Timed slots from before the restart: the file that could not be read "
                                               "whole is kept as %1")
                                    .arg(keptAs));
    }
    QList<SlotRecord> records;
    for (const TimedSlot *s : m_slots)
        if (const std::optional<SlotRecord> r = s->record())
            records.append(*r);
    const QString error = slotstate::write(m_form.context().stateFolder(), records);
    if (error.isEmpty()) {
        m_toldWriteFailed = false;
        return;
    }
    if (!m_toldWriteFailed)
        m_form.context().report(
            QStringLiteral("The running timed slots could not be kept for a restart: %1").arg(error));
    m_toldWriteFailed = true;
}

void TimedSlots::TimedBanMute_Click()
{
    stopOnError(m_form.context(), [&] {
        if (m_gate.allows())
            m_form.showWindow();
    });
}

} // namespace gavelry
