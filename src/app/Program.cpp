#include "app/Program.h"

#include "core/AdminGate.h"
#include "moderation/CallsignActions.h"
#include "core/CommandWatch.h"
#include "enforcement/AutoBanSchedule.h"
#include "chat/ChatController.h"
#include "moderation/ConferenceActions.h"
#include "core/ConferenceProfiles.h"
#include "moderation/DtmfCommands.h"
#include "core/Errors.h"
#include "enforcement/ConnectSchedule.h"
#include "chat/Form116.h"
#include "util/Form14.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "util/Form99.h"
#include "chat/Messages.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"
#include "core/StationTracking.h"
#include "enforcement/TalkTimeMonitor.h"
#include "moderation/TalkerActions.h"
#include "enforcement/TimedSlots.h"

namespace gavelry {

Program::Program(Scheduler &scheduler, ClientFactory &clients, Dialogs &dialogs, Shell &shell,
                 const QString &configDir, QObject *parent)
    : QObject(parent),
      m_scheduler(scheduler),
      m_log(scheduler),
      m_ctx{scheduler, clients, dialogs, shell, m_windows, configDir, {}, {}}
{
    m_ctx.endProgram = [this] { endProgram(); };
    m_ctx.log = &m_log;
    m_ctx.ownSettings = &m_ownSettings;
    m_ctx.reportError = [this](const QString &what) {
        if (m_form6 && !m_ended)
            m_form6->reportStatus(what);
    };

    m_form6 = std::make_unique<Form6>(m_ctx);
    m_messages = std::make_unique<Messages>(m_ctx);
    m_form321 = std::make_unique<Form321>(m_ctx);
    m_form116 = std::make_unique<Form116>(m_ctx);
    m_form14 = std::make_unique<Form14>(m_ctx);
    m_form99 = std::make_unique<Form99>(m_ctx);
    m_windows.form6 = m_form6.get();
    m_windows.messages = m_messages.get();
    m_windows.form321 = m_form321.get();
    m_windows.form116 = m_form116.get();
    m_windows.form14 = m_form14.get();
    m_windows.form99 = m_form99.get();
    connect(&m_log, &ModerationLog::logged, m_form6.get(), &Form6::showLastEvent);
    connect(&m_log, &ModerationLog::troubled, this, [this](const QString &what) { m_ctx.report(what); });
    attachBehaviour();
}

Program::~Program()
{
    // Time stops first, so no tick or deferred call reaches a window or a
    // behaviour object while they are taken down.
    m_ended = true;
    if (!m_timeGoesOn)
        m_scheduler.halt();
}

void Program::start()
{
    // Read before anything is received or sent; what cannot be read is
    // told once the main window can show it.
    QStringList problems;
    m_ownSettings = OwnSettings::load(m_ctx.configDir, &problems);
    m_form6->ensureLoaded();
    for (const QString &problem : std::as_const(problems))
        m_ctx.report(problem);
}

// Every behaviour object of the program is made here and only here, in the
// order their handlers are connected to shared timers and events.
void Program::attachBehaviour()
{
    m_adminGate = std::make_unique<AdminGate>(*m_form6);
    m_commandWatch = std::make_unique<CommandWatch>(*m_form6, *m_adminGate, m_log);
    m_conferenceProfiles = std::make_unique<ConferenceProfiles>(*m_form6, *m_adminGate);
    connect(m_commandWatch.get(), &CommandWatch::logOnForgotten, m_conferenceProfiles.get(),
            &ConferenceProfiles::logOnAgain);
    m_stationTracking = std::make_unique<StationTracking>(*m_form6, *m_conferenceProfiles);
    // The main window's procedures that these carry out, for the moderation
    // buttons and DTMF commands that run them.
    m_form6->conDiscHook = [profiles = m_conferenceProfiles.get()] { profiles->ConDisc(); };
    m_form6->resetListingHook = [tracking = m_stationTracking.get()] { tracking->ResetListing(); };
    m_talkTimeMonitor = std::make_unique<TalkTimeMonitor>(*m_form6, *m_adminGate);
    m_chatController
        = std::make_unique<ChatController>(*m_messages, *m_adminGate, *m_stationTracking, *m_talkTimeMonitor,
                                           *m_commandWatch);
    m_moderationActions = std::make_unique<ModerationActions>(*m_form6, *m_adminGate);
    m_talkerActions = std::make_unique<TalkerActions>(*m_form6, *m_moderationActions);
    m_callsignActions = std::make_unique<CallsignActions>(*m_form6, *m_moderationActions);
    m_conferenceActions = std::make_unique<ConferenceActions>(*m_form6, *m_moderationActions, *m_adminGate,
                                                              *m_conferenceProfiles, *m_stationTracking);
    m_dtmfCommands = std::make_unique<DtmfCommands>(*m_form6, *m_moderationActions, *m_stationTracking);
    m_connectSchedule = std::make_unique<ConnectSchedule>(*m_form6, *m_adminGate, *m_moderationActions);
    m_autoBanSchedule = std::make_unique<AutoBanSchedule>(*m_form321, *m_moderationActions);
    // Both schedules count from the moment the program has loaded: times
    // that passed before are never made up for.
    connect(m_form6.get(), &Form6::loaded, m_connectSchedule.get(), &ConnectSchedule::begin);
    connect(m_form6.get(), &Form6::loaded, m_autoBanSchedule.get(), &AutoBanSchedule::begin);
    m_timedSlots = std::make_unique<TimedSlots>(*m_form321, *m_form6, *m_adminGate, *m_moderationActions);
    // Last, once every button handler is connected.
    for (Window *w : m_windows.all())
        m_log.followButtons(w);
}

void Program::keepRunningSlots()
{
    // While the program can still say (status line, log) that it failed.
    if (m_timedSlots)
        skipOnError(m_ctx, [&] { m_timedSlots->save(); });
}

void Program::endForRestart()
{
    if (m_ended)
        return;
    keepRunningSlots();
    m_ended = true;
    m_timeGoesOn = true;
    // Its timers are the windows' own and go with them when it is
    // destroyed; nothing else of it is waiting on the scheduler.
    for (Window *w : m_windows.all())
        w->hide();
}

void Program::endProgram()
{
    if (m_ended)
        return;
    keepRunningSlots();
    m_ended = true;
    // Nothing runs after the end: no timer, no deferred client event.
    m_scheduler.halt();
    for (Window *w : m_windows.all())
        w->hide();
    emit ended();
}

} // namespace gavelry
