#include "core/ConferenceProfiles.h"

#include "core/AdminGate.h"
#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "core/Errors.h"
#include "core/ModerationLog.h"
#include "platform/Scheduler.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <optional>

namespace gavelry {

namespace {

void setCaptionIfChanged(QWidget *w, const QString &text)
{
    if (controls::caption(w) != text)
        controls::setCaption(w, text);
}

void setForeColorIfChanged(QWidget *w, int bgr)
{
    if (controls::foreColor(w) != bgr)
        controls::setForeColor(w, bgr);
}

ConferenceProfileControls controlsOf(const Form6 &w)
{
    using controls::child;
    return {
        .Command13 = child<QPushButton>(w, "Command13"),
        .Command14 = child<QPushButton>(w, "Command14"),
        .Log_On_Conf = child<QPushButton>(w, "Log_On_Conf"),
        .Log_On_Conf2 = child<QPushButton>(w, "Log_On_Conf2"),
        .Log_On_Conf3 = child<QPushButton>(w, "Log_On_Conf3"),
        .Log_On_Conf4 = child<QPushButton>(w, "Log_On_Conf4"),
        .Log_On = child<QPushButton>(w, "Log_On"),
        .Log_On2 = child<QPushButton>(w, "Log_On2"),
        .Log_On3 = child<QPushButton>(w, "Log_On3"),
        .Log_On4 = child<QPushButton>(w, "Log_On4"),
        .Log_On_Admin = child<QPushButton>(w, "Log_On_Admin"),
        .Log_On_Admin2 = child<QPushButton>(w, "Log_On_Admin2"),
        .Log_On_Admin3 = child<QPushButton>(w, "Log_On_Admin3"),
        .Log_On_Admin4 = child<QPushButton>(w, "Log_On_Admin4"),
        .Command17 = child<QPushButton>(w, "Command17"),
        .Command18 = child<QPushButton>(w, "Command18"),
        .Command19 = child<QPushButton>(w, "Command19"),
        .Command5 = child<QPushButton>(w, "Command5"),
        .Command20 = child<QPushButton>(w, "Command20"),
        .Command21 = child<QPushButton>(w, "Command21"),
        .Command22 = child<QPushButton>(w, "Command22"),
        .Command28 = child<QPushButton>(w, "Command28"),
        .StayCon1 = child<QCheckBox>(w, "StayCon1"),
        .AutoEnter = child<QCheckBox>(w, "AutoEnter"),
        .Frame6 = child<QGroupBox>(w, "Frame6"),
        .Label9 = child<QLabel>(w, "Label9"),
        .Text2 = child<QPlainTextEdit>(w, "Text2"),
    };
}

} // namespace

ConferenceProfiles::ConferenceProfiles(Form6 &form, AdminGate &gate)
    : m_form(form), m_gate(gate), m_c(controlsOf(form))
{
    connect(&m_form, &Form6::clientCreated, this, &ConferenceProfiles::attachClient);
    connect(m_form.Timer1, &Timer::timeout, this, &ConferenceProfiles::Timer1_Timer);
    connect(m_form.Timer6, &Timer::timeout, this, &ConferenceProfiles::Timer6_Timer);
    wireButtons();
    wireEntryStyles();
}

void ConferenceProfiles::attachClient(ClientLink *link)
{
    connect(link, &ClientLink::connected, this, &ConferenceProfiles::EchoLink_connected);
    // A station that has just come on the air links at once instead of at
    // the next tick.
    connect(link, &ClientLink::onTheAir, this, &ConferenceProfiles::stayConnected);
}

void ConferenceProfiles::wireButtons()
{
    connect(m_c.Command13, &QPushButton::clicked, this, &ConferenceProfiles::Command13_Click);
    connect(m_c.Command14, &QPushButton::clicked, this, &ConferenceProfiles::Command14_Click);
    connect(m_c.Log_On_Conf, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Conf_Click);
    connect(m_c.Log_On_Conf2, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Conf2_Click);
    connect(m_c.Log_On_Conf3, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Conf3_Click);
    connect(m_c.Log_On_Conf4, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Conf4_Click);
    connect(m_c.Log_On, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Click);
    connect(m_c.Log_On2, &QPushButton::clicked, this, &ConferenceProfiles::Log_On2_Click);
    connect(m_c.Log_On3, &QPushButton::clicked, this, &ConferenceProfiles::Log_On3_Click);
    connect(m_c.Log_On4, &QPushButton::clicked, this, &ConferenceProfiles::Log_On4_Click);
    connect(m_c.Log_On_Admin, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Admin_Click);
    connect(m_c.Log_On_Admin2, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Admin2_Click);
    connect(m_c.Log_On_Admin3, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Admin3_Click);
    connect(m_c.Log_On_Admin4, &QPushButton::clicked, this, &ConferenceProfiles::Log_On_Admin4_Click);
}

void ConferenceProfiles::wireEntryStyles()
{
    // Callsign boxes take capitals from their first change on (loading the
    // settings counts). Profiles 2 and 3 keep mixed-case entry, as they
    // always have.
    for (const char *name : {"Conference", "Conference4", "Station3", "Station4", "Text4", "Text5", "Text6", "Text7",
                             "Text8", "Text20", "Text21", "Text22", "Text23", "Text24"}) {
        QLineEdit *box = controls::child<QLineEdit>(m_form, name);
        connect(box, &QLineEdit::textChanged, this, [box] { EditStyle::setUpperCase(box); },
                Qt::SingleShotConnection);
    }
}

ClientLink &ConferenceProfiles::client() const
{
    ClientLink *link = m_form.EchoLink();
    if (!link)
        throw ClientError(QStringLiteral("The main window has no client"));
    return *link;
}

const ConferenceProfiles::Profile *ConferenceProfiles::usable(int index) const
{
    if (index < 0 || index > 3)
        return nullptr;
    const Profile &p = m_form.profiles()[index];
    return p.callsign().isEmpty() ? nullptr : &p;
}

const ConferenceProfiles::Profile *ConferenceProfiles::selectedUsable() const
{
    return usable(m_form.selectedProfile());
}

void ConferenceProfiles::ConDisc()
{
    const Profile *p = selectedUsable();
    if (!p)
        return;
    const QString call = p->callsign();
    AppContext &ctx = m_form.context();
    std::optional<bool> linked;
    skipOnError(ctx, [&] { linked = client().isConnected(call); });
    // Without an answer we cannot tell a connect from a disconnect: do neither.
    if (!linked)
        return;
    if (*linked) {
        skipOnError(ctx, [&] { client().disconnectStation(call); });
        return;
    }
    showStatus(controls::kBlue, QStringLiteral("Connecting ") + p->conference->text());
    skipOnError(ctx, [&] { client().disconnectAll(); });
    skipOnError(ctx, [&] { client().connectStation(call, true); });
}

void ConferenceProfiles::Timer1_Timer()
{
    AppContext &ctx = m_form.context();
    skipOnError(ctx, [&] { client().setWaits(kSlowClientWaitMs); });
    // No nested event loop here: Qt runs other events between handlers, and
    // nesting would re-enter this one.
    stayConnected();
}

void ConferenceProfiles::stayConnected()
{
    const Profile *p = selectedUsable();
    if (!p || controls::checkValue(m_c.StayCon1) != 1)
        return;
    const QString call = p->callsign();
    skipOnError(m_form.context(), [&] {
        if (!client().isConnected(call))
            client().connectStation(call, true);
    });
}

void ConferenceProfiles::Timer6_Timer()
{
    const LinkState state = profilesLinkState();
    // A client that did not answer has not told us the link is gone: leave
    // the status, and above all the admin box, as they are.
    if (state == LinkState::Unknown)
        return;
    const int selected = m_form.selectedProfile();
    const Profile *p = selected < 0 ? nullptr : &m_form.profiles()[selected];
    if (state == LinkState::Linked) {
        if (p)
            showStatus(controls::kGreen, p->conference->text() + p->connectedSuffix);
        return;
    }
    if (p)
        showStatus(controls::kRed, p->disconnectedSuffix);
    m_gate.markNoConference();
}

ConferenceProfiles::LinkState ConferenceProfiles::profilesLinkState() const
{
    bool allAnswered = true;
    for (const Profile &p : m_form.profiles()) {
        const QString call = p.callsign();
        if (call.isEmpty())
            continue;
        bool linked = false;
        bool answered = false;
        skipOnError(m_form.context(), [&] {
            linked = client().isConnected(call);
            answered = true;
        });
        if (linked)
            return LinkState::Linked;
        allAnswered = allAnswered && answered;
    }
    return allAnswered ? LinkState::NotLinked : LinkState::Unknown;
}

void ConferenceProfiles::showStatus(int foreColor, const QString &caption)
{
    for (QWidget *w : {static_cast<QWidget *>(m_c.Frame6), static_cast<QWidget *>(m_c.Label9)}) {
        setForeColorIfChanged(w, foreColor);
        setCaptionIfChanged(w, caption);
    }
}

void ConferenceProfiles::updateToolTips()
{
    const std::array<std::array<QWidget *, 3>, 4> buttons{{
        {m_c.Command17, m_c.Command20, m_c.Log_On_Conf},
        {m_c.Command18, m_c.Command21, m_c.Log_On_Conf2},
        {m_c.Command19, m_c.Command22, m_c.Log_On_Conf3},
        {m_c.Command5, m_c.Command28, m_c.Log_On_Conf4},
    }};
    for (int i = 0; i < 4; ++i) {
        const QString call = m_form.profiles()[i].conference->text();
        for (QWidget *b : buttons[i])
            if (b->toolTip() != call)
                b->setToolTip(call);
    }
}

void ConferenceProfiles::Command13_Click()
{
    stopOnError(m_form.context(), [&] {
        if (const Profile *p = selectedUsable())
            toggle(*p);
    });
}

void ConferenceProfiles::toggleLink(int index)
{
    stopOnError(m_form.context(), [&] {
        if (const Profile *p = usable(index))
            toggle(*p);
    });
}

void ConferenceProfiles::toggle(const Profile &p)
{
    const QString call = p.callsign();
    if (client().isConnected(call))
        client().disconnectStation(call);
    else
        client().connectStation(call, true);
}

void ConferenceProfiles::sysopLogOn(int index)
{
    stopOnError(m_form.context(), [&] {
        if (const Profile *p = usable(index)) {
            ModerationLog::Cause cause(m_form.context().log, buttonCause(p->sysop));
            m_form.SendAndClear(channel::sysopLogOn(p->password->text()));
        }
    });
}

void ConferenceProfiles::adminLogOn(int index)
{
    stopOnError(m_form.context(), [&] {
        if (const Profile *p = usable(index)) {
            ModerationLog::Cause cause(m_form.context().log, buttonCause(p->admin));
            m_form.SendAndClear(channel::adminLogOn(p->password->text()));
        }
    });
}

void ConferenceProfiles::Command14_Click()
{
    stopOnError(m_form.context(), [&] {
        const int index = m_form.selectedProfile();
        const Profile *p = usable(index);
        if (!p)
            return;
        ModerationLog::Cause cause(m_form.context().log, buttonCause(m_c.Command14));
        m_form.Send(channel::adminLogOn(p->password->text()));
        // Profile 4's button only notes the log-on when messages are time
        // stamped; its line then stays in the outgoing buffer, which the next
        // sender overwrites.
        if (index < 3 || m_form.timeStampAll()) {
            controls::setCaption(m_c.Text2, QStringLiteral(".Admin XXXX"));
            m_form.sTextSay.clear();
        }
    });
}

void ConferenceProfiles::EchoLink_connected(const QString &sCallConnected, const QString &sName,
                                            const QString &sAddr)
{
    Q_UNUSED(sName)
    Q_UNUSED(sAddr)
    stopOnError(m_form.context(), [&] {
        const Profile *p = selectedUsable();
        // Exact comparison: a box typed in lower case never matches the
        // callsign the client reports.
        if (p && p->conference->text() == sCallConnected && controls::checkValue(m_c.AutoEnter) == 1) {
            ModerationLog::Cause cause(m_form.context().log,
                                       QStringLiteral("link to %1 up (Auto Enter Admin Password)").arg(sCallConnected));
            m_form.SendAndClear(channel::adminLogOn(p->password->text()));
        }
    });
}

void ConferenceProfiles::logOnAgain()
{
    stopOnError(m_form.context(), [&] {
        const Profile *p = selectedUsable();
        if (!p || controls::checkValue(m_c.AutoEnter) != 1 || !client().isConnected(p->callsign()))
            return;
        ModerationLog::Cause cause(m_form.context().log,
                                   QStringLiteral("the server forgot the log-on (Auto Enter Admin Password)"));
        m_form.SendAndClear(channel::adminLogOn(p->password->text()));
    });
}

} // namespace gavelry
