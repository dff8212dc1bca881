#include "core/StationTracking.h"

#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/ConferenceProfiles.h"
#include "core/Controls.h"
#include "core/Errors.h"
#include "core/ModerationLog.h"
#include "core/Form6.h"
#include "platform/Scheduler.h"
#include "core/TalkerParser.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace gavelry {

namespace {

const QString kLoading = QStringLiteral("LOADING");
const QString kConnected = QStringLiteral("Connected");

// Where the caret goes in the list box once a new list is in.
constexpr int kListCaret = 250;

void setCaptionIfChanged(QWidget *w, const QString &text)
{
    if (controls::caption(w) != text)
        controls::setCaption(w, text);
}

StationTrackingControls controlsOf(const Form6 &w)
{
    using controls::child;
    return {
        .PTT = child<QLabel>(w, "PTT"),
        .PTT3 = child<QLabel>(w, "PTT3"),
        .PTT2 = child<QLabel>(w, "PTT2"),
        .PTT1 = child<QLabel>(w, "PTT1"),
        .Text35 = child<QPlainTextEdit>(w, "Text35"),
        .Text1 = child<QLineEdit>(w, "Text1"),
        .Text37 = child<QLineEdit>(w, "Text37"),
        .Text2 = child<QPlainTextEdit>(w, "Text2"),
        .Frame5 = child<QGroupBox>(w, "Frame5"),
        .ShowTime = child<QLabel>(w, "ShowTime"),
        .ShowTime2 = child<QLabel>(w, "ShowTime2"),
        .HowmanyConnected = child<QLabel>(w, "HowmanyConnected"),
    };
}

} // namespace

StationTracking::StationTracking(Form6 &form, ConferenceProfiles &profiles)
    : m_form(form), m_profiles(profiles), m_c(controlsOf(form))
{
    connect(&m_form, &Form6::clientCreated, this, &StationTracking::attachClient);
    connect(m_form.Timer3, &Timer::timeout, this, &StationTracking::Timer3_Timer);
    connect(m_form.Timer7, &Timer::timeout, this, &StationTracking::Timer7_Timer);
    // The indicators start as "nothing comes in", in that state's green.
    showReceiving(false);
}

void StationTracking::attachClient(ClientLink *link)
{
    connect(link, &ClientLink::RX, this, &StationTracking::EchoLink_RX);
    connect(link, &ClientLink::StationTextReceived, this, &StationTracking::EchoLink_StationTextReceived);
}

ClientLink &StationTracking::client() const
{
    ClientLink *link = m_form.EchoLink();
    if (!link)
        throw ClientError(QStringLiteral("The main window has no client"));
    return *link;
}

void StationTracking::EchoLink_RX(bool receiving)
{
    stopOnError(m_form.context(), [&] { showReceiving(receiving); });
}

void StationTracking::showReceiving(bool receiving)
{
    const int color = receiving ? controls::kRed : controls::kGreen;
    const QString caption = receiving ? TxCaption::On : TxCaption::Off;
    for (QWidget *indicator : {m_c.PTT, m_c.PTT3, m_c.PTT2, m_c.PTT1}) {
        controls::setForeColor(indicator, color);
        controls::setCaption(indicator, caption);
    }
}

void StationTracking::EchoLink_StationTextReceived(const QString &sText)
{
    stopOnError(m_form.context(), [&] {
        const talker::StationText station = talker::parseStationText(sText);
        // The box shows one station text at a time; the talker is read
        // from all of it.
        controls::setCaption(m_c.Text35, controls::clipped(station.display));
        if (station.talker) {
            controls::setCaption(m_c.Text1, *station.talker);
            controls::setCaption(m_c.Text37, controls::caption(m_c.Text1));
        } else {
            // Nobody talks now; the last talker stays.
            controls::setCaption(m_c.Text1, QStringLiteral(" "));
        }
    });
}

bool StationTracking::awaitsStationList() const { return m_form.nListWait == ListWait::StationList; }

void StationTracking::takeStationList(const QString &message)
{
    AppContext &ctx = m_form.context();
    controls::setCaption(m_c.Text2, QStringLiteral("Updated ") + ctx.scheduler.timeOfDay() + QStringLiteral("\r\n")
                                        + controls::clipped(message) + QStringLiteral("\r\n"));
    m_form.nListWait = ListWait::None;
    controls::setCaption(m_c.Frame5, kConnected);
    controls::setCaret(m_c.Text2, kListCaret);
}

void StationTracking::chatLineShown()
{
    if (m_form.nListWait == ListWait::Operator)
        m_form.nListWait = ListWait::None;
}

void StationTracking::ResetListing()
{
    const int selected = m_form.selectedProfile();
    if (selected < 0)
        return;
    const QString call = m_form.profiles()[selected].callsign();
    if (call.isEmpty())
        return;
    AppContext &ctx = m_form.context();
    controls::setCaption(m_c.Text35, QString());
    skipOnError(ctx, [&] { client().disconnectAll(); });
    skipOnError(ctx, [&] { client().connectStation(call, true); });
}

void StationTracking::Timer3_Timer()
{
    AppContext &ctx = m_form.context();
    skipOnError(ctx, [&] {
        const QString now = ctx.scheduler.timeOfDay();
        setCaptionIfChanged(m_c.ShowTime, now);
        setCaptionIfChanged(m_c.ShowTime2, now);
    });
    skipOnError(ctx, [&] { setCaptionIfChanged(m_c.HowmanyConnected, QString::number(client().connectionCount())); });
    // The caption, not the call: when the client did not answer, the count
    // shown last still decides.
    if (controls::caption(m_c.HowmanyConnected) == QLatin1String("0"))
        emptyIdleBoxes();
    skipOnError(ctx, [&] { m_profiles.updateToolTips(); });
}

void StationTracking::emptyIdleBoxes()
{
    for (QWidget *box : {static_cast<QWidget *>(m_c.Text35), static_cast<QWidget *>(m_c.Text2),
                         static_cast<QWidget *>(m_c.Text37), static_cast<QWidget *>(m_c.Text1)})
        setCaptionIfChanged(box, QString());
}

void StationTracking::Timer7_Timer()
{
    AppContext &ctx = m_form.context();
    m_form.nListWait = ListWait::StationList;
    controls::setCaption(m_c.Frame5, kLoading);
    ModerationLog::Cause cause(ctx.log, QStringLiteral("station list refresh"));
    skipOnError(ctx, [&] { m_form.Send(channel::users()); });
    // One shot: a failed send is not retried.
    m_form.Timer7->setEnabled(false);
}

} // namespace gavelry
