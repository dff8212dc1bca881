#include "moderation/DtmfCommands.h"

#include "core/ModerationLog.h"
#include "platform/ClientLink.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "core/Form6.h"
#include "moderation/ModerationActions.h"
#include "core/StationTracking.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace gavelry {

using namespace moderation;

namespace {

QLineEdit *box(const Form6 &form, const char *name) { return controls::child<QLineEdit>(form, name); }

std::array<QLineEdit *, 5> boxes(const Form6 &form, std::array<const char *, 5> names)
{
    std::array<QLineEdit *, 5> found{};
    for (std::size_t i = 0; i < names.size(); ++i)
        found[i] = box(form, names[i]);
    return found;
}

std::array<QString, 5> texts(const std::array<QLineEdit *, 5> &row)
{
    std::array<QString, 5> t;
    for (std::size_t i = 0; i < row.size(); ++i)
        t[i] = row[i]->text();
    return t;
}

} // namespace

DtmfCommands::DtmfCommands(Form6 &form, ModerationActions &actions, StationTracking &tracking)
    : m_c{box(form, "Text3"),
          box(form, "Text43"),
          {box(form, "Text39"), box(form, "Text40"), box(form, "Text41"), box(form, "Text44")},
          boxes(form, {"Text4", "Text5", "Text6", "Text7", "Text8"}),
          boxes(form, {"Text9", "Text10", "Text11", "Text12", "Text13"}),
          boxes(form, {"Text14", "Text15", "Text16", "Text17", "Text18"}),
          box(form, "Text19"),
          boxes(form, {"Text20", "Text21", "Text22", "Text23", "Text24"}),
          boxes(form, {"Text25", "Text26", "Text27", "Text28", "Text29"}),
          boxes(form, {"Text30", "Text31", "Text32", "Text33", "Text34"}),
          box(form, "Text42"),
          controls::child<QCheckBox>(form, "StayCon1"),
          controls::child<QPlainTextEdit>(form, "Text35")},
      m_form(form),
      m_actions(actions),
      m_tracking(tracking),
      m_steps(form)
{
    connect(&m_form, &Form6::clientCreated, this, &DtmfCommands::attachClient);
}

void DtmfCommands::attachClient(ClientLink *client)
{
    connect(client, &ClientLink::DTMFString, this, &DtmfCommands::EchoLink_DTMFString);
}

dtmf::Codes DtmfCommands::codes() const
{
    return {
        m_c.Text3->text(),
        m_c.Text43->text(),
        {m_c.profile[0]->text(), m_c.profile[1]->text(), m_c.profile[2]->text(), m_c.profile[3]->text()},
        texts(m_c.muteCode),
        texts(m_c.unmuteCode),
        m_c.Text19->text(),
        texts(m_c.disconnectCode),
        texts(m_c.connectCode),
        m_c.Text42->text(),
    };
}

void DtmfCommands::EchoLink_DTMFString(const QString &sDigits)
{
    m_steps.run([&] {
        // The codes are read once, before anything runs: a profile switch
        // or an upper-cased callsign box cannot change what else matches.
        const QList<dtmf::Action> actions = dtmf::match(sDigits, codes());
        for (const dtmf::Action &action : actions) {
            ModerationLog::Cause cause(m_form.context().log,
                                       QStringLiteral("DTMF %1 (sequence %2)").arg(dtmf::describe(action), sDigits));
            if (!carryOut(action))
                return;
        }
    });
}

bool DtmfCommands::carryOut(const dtmf::Action &action)
{
    using dtmf::Kind;
    switch (action.kind) {
    case Kind::ConnectNode: return connectNode(action.text);
    case Kind::ToggleStayConnected: toggleStayConnected(); return true;
    case Kind::SelectProfile: selectProfile(action.row); return true;
    case Kind::Mute: return muteRow(action.row, true);
    case Kind::Unmute: return muteRow(action.row, false);
    case Kind::UnmuteAll: return !m_actions.unmuteAll(Chat::Unchanged, Gate::Ungated).failed();
    case Kind::Disconnect: return disconnectRow(action.row);
    case Kind::Connect: return connectRow(action.row);
    case Kind::DisconnectTalking: return disconnectTalking();
    }
    return true;
}

bool DtmfCommands::connectNode(const QString &node)
{
    // A node number is keyed on the keypad; anything else after the prefix
    // did not come from one and is not passed on to the server.
    if (!dtmf::isKeypadText(node)) {
        m_form.context().report(QStringLiteral("DTMF connect not sent: the node number holds characters no keypad sends"));
        return true;
    }
    return !m_actions.connectStation(node, Gate::Ungated).failed();
}

void DtmfCommands::toggleStayConnected()
{
    QCheckBox *stay = m_c.StayCon1;
    controls::setCheckValue(stay, controls::checkValue(stay) == 1 ? 0 : 1);
    if (ModerationLog *log = m_form.context().log)
        log->action(controls::checkValue(stay) == 1 ? QStringLiteral("Stay Connected on") : QStringLiteral("Stay Connected off"),
                    QString());
}

void DtmfCommands::selectProfile(int index)
{
    controls::setCaption(m_c.Text35, QString());
    if (ModerationLog *log = m_form.context().log)
        log->action(QStringLiteral("conference profile %1 selected and relinked").arg(index + 1),
                    m_form.profiles()[static_cast<std::size_t>(index)].callsign());
    m_form.selectProfile(index);
    m_tracking.ResetListing();
}

bool DtmfCommands::muteRow(int row, bool mute)
{
    const QString call = m_c.muteCall[static_cast<std::size_t>(row)]->text();
    if (call.isEmpty()) {
        m_actions.noStation();
        return true;
    }
    const Outcome done = mute ? m_actions.mute(call, Notice::Bot, Span::Untimed, Chat::Unchanged, Gate::Ungated)
                              : m_actions.unmute(call, Notice::Bot, Span::Untimed, Chat::Unchanged, Gate::Ungated);
    return !done.failed();
}

bool DtmfCommands::disconnectRow(int row)
{
    const QString call = m_c.stationCall[static_cast<std::size_t>(row)]->text();
    if (call.isEmpty()) {
        m_actions.noStation();
        return true;
    }
    return !m_actions.disconnect(call, Chat::Unchanged, Gate::Ungated).failed();
}

bool DtmfCommands::connectRow(int row)
{
    QLineEdit *callBox = m_c.stationCall[static_cast<std::size_t>(row)];
    callBox->setText(callBox->text().toUpper());
    return !m_actions.connectStation(callBox->text(), Gate::Ungated).failed();
}

bool DtmfCommands::disconnectTalking()
{
    // The repeater's disconnect has always gone out twice in a row.
    for (int i = 0; i < 2; ++i)
        if (m_actions.disconnectStation(ModerationActions::kTalking, Chat::Unchanged, Gate::Ungated).failed())
            return false;
    m_steps.clear();
    return true;
}

} // namespace gavelry
