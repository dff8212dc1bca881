#pragma once

#include "core/AppContext.h"
#include "core/ModerationLog.h"
#include "core/OwnSettings.h"
#include "core/WindowRegistry.h"

#include <QObject>
#include <memory>

namespace gavelry {

class AdminGate;
class CommandWatch;
class CallsignActions;
class ConferenceActions;
class DtmfCommands;
class ModerationActions;
class TalkerActions;
class AutoBanSchedule;
class ConnectSchedule;
class TimedSlots;
class ChatController;
class ConferenceProfiles;
class StationTracking;
class TalkTimeMonitor;
class Form6;
class Messages;
class Form321;
class Form116;
class Form14;
class Form99;

/// The whole program, built on the outside world it is given: every window,
/// wired to the others through the registry, and the behaviour classes of
/// the subsystems attached to them. The same object runs under the desktop,
/// headless, in the scenario runner and in tests.
class Program : public QObject {
    Q_OBJECT
public:
    Program(Scheduler &scheduler, ClientFactory &clients, Dialogs &dialogs, Shell &shell,
            const QString &configDir, QObject *parent = nullptr);
    ~Program() override;

    /// Loads the main window (and through it every other window). Throws
    /// ClientError when there is no client.
    void start();
    bool hasEnded() const { return m_ended; }
    /// Ends the program as closing it does, but leaves time running: the
    /// world outside goes on, and a new Program can start on the same
    /// scheduler and settings folder (a restart). Destroy it next.
    void endForRestart();

    AppContext &context() { return m_ctx; }
    ModerationLog &moderationLog() { return m_log; }
    const OwnSettings &ownSettings() const { return m_ownSettings; }
    WindowRegistry &windows() { return m_windows; }
    Form6 &form6() const { return *m_form6; }
    Messages &messages() const { return *m_messages; }
    Form321 &form321() const { return *m_form321; }
    Form116 &form116() const { return *m_form116; }
    Form14 &form14() const { return *m_form14; }
    Form99 &form99() const { return *m_form99; }

    // The behaviour of the subsystems, attached to the windows' controls.
    AdminGate &adminGate() const { return *m_adminGate; }
    CommandWatch &commandWatch() const { return *m_commandWatch; }
    ConferenceProfiles &conferenceProfiles() const { return *m_conferenceProfiles; }
    StationTracking &stationTracking() const { return *m_stationTracking; }
    TalkTimeMonitor &talkTimeMonitor() const { return *m_talkTimeMonitor; }
    ChatController &chatController() const { return *m_chatController; }
    ConnectSchedule &connectSchedule() const { return *m_connectSchedule; }
    AutoBanSchedule &autoBanSchedule() const { return *m_autoBanSchedule; }
    TimedSlots &timedSlots() const { return *m_timedSlots; }
    ModerationActions &moderationActions() const { return *m_moderationActions; }

signals:
    /// The program ended by one of its ways out; nothing runs after this.
    void ended();

private:
    void endProgram();
    /// Writes the running timed slots as they are at the end.
    void keepRunningSlots();
    void attachBehaviour();

    Scheduler &m_scheduler;
    WindowRegistry m_windows;
    ModerationLog m_log;
    OwnSettings m_ownSettings;
    AppContext m_ctx;
    bool m_ended = false;
    bool m_timeGoesOn = false;
    std::unique_ptr<Form6> m_form6;
    std::unique_ptr<Messages> m_messages;
    std::unique_ptr<Form321> m_form321;
    std::unique_ptr<Form116> m_form116;
    std::unique_ptr<Form14> m_form14;
    std::unique_ptr<Form99> m_form99;
    std::unique_ptr<AdminGate> m_adminGate;
    std::unique_ptr<CommandWatch> m_commandWatch;
    std::unique_ptr<ConferenceProfiles> m_conferenceProfiles;
    std::unique_ptr<StationTracking> m_stationTracking;
    std::unique_ptr<TalkTimeMonitor> m_talkTimeMonitor;
    std::unique_ptr<ChatController> m_chatController;
    std::unique_ptr<ModerationActions> m_moderationActions;
    std::unique_ptr<TalkerActions> m_talkerActions;
    std::unique_ptr<CallsignActions> m_callsignActions;
    std::unique_ptr<ConferenceActions> m_conferenceActions;
    std::unique_ptr<DtmfCommands> m_dtmfCommands;
    std::unique_ptr<ConnectSchedule> m_connectSchedule;
    std::unique_ptr<AutoBanSchedule> m_autoBanSchedule;
    std::unique_ptr<TimedSlots> m_timedSlots;
};

} // namespace gavelry
