#pragma once

#include <QObject>

#include <memory>
#include <vector>

namespace gavelry {

class AdminGate;
class Form6;
class Form321;
class ModerationActions;
class TimedSlot;

/// The timed ban window's five slots together: it makes them, keeps the
/// running ones in their state file so that a restart takes them up again,
/// and opens the window from the main window's "Timed Ban / Mute" button
/// (TimedBanMute, the one control of the main window it takes).
class TimedSlots : public QObject {
    Q_OBJECT
public:
    /// main gives its button and the moment it has loaded, when the slots
    /// kept over a restart are taken up.
    TimedSlots(Form321 &form, const Form6 &main, const AdminGate &gate, ModerationActions &actions);
    ~TimedSlots() override;

    /// Slot n, 1-3 un-mute, 4-5 un-ban.
    TimedSlot &slot(int n) const { return *m_slots.at(size_t(n - 1)); }

    /// Takes up the slots kept in the state file (when the program has loaded).
    void restore();
    /// Writes the running slots to the state file; nothing before restore()
    /// has read it. Called on every change of a slot and when the program
    /// ends.
    void save();

    /// "Timed Ban / Mute": shows the window when admin is enabled.
    void TimedBanMute_Click();

private:
    Form321 &m_form;
    const AdminGate &m_gate;
    std::vector<TimedSlot *> m_slots;
    bool m_restoring = false;
    /// restore() has read the state file: from here on it is written.
    bool m_restored = false;
    /// The file found at the start could not be read whole; it is moved
    /// aside before anything is written in its place.
    bool m_keepAside = false;
    /// The last failure to write the state file has been reported.
    bool m_toldWriteFailed = false;
};

} // namespace gavelry
