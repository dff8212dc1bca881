#include "DtmfCommands.h"

#include "ModerationLog.h"
#include "ClientLink.h"
#include "CommandChannel.h"
#include "Controls.h"
#include "Form6.h"

namespace gavelry {

DtmfCommands::DtmfCommands(Form6 &form) : m_form(form), m_steps(form)
{
    connect(&m_form, &Form6::clientCreated, this, &DtmfCommands::attachClient);
}

void DtmfCommands::attachClient(ClientLink *client)
{
    connect(client, &ClientLink::DTMFString, this, &DtmfCommands::EchoLink_DTMFString);
}

dtmf::Codes DtmfCommands::codes() const
{
    const Ui::Form6 &ui = m_form.ui;
    return {
        ui.Text3->text(),
        ui.Text43->text(),
        {ui.Text39->text(), ui.Text40->text(), ui.Text41->text(), ui.Text44->text()},
        {ui.Text9->text(), ui.Text10->text(), ui.Text11->text(), ui.Text12->text(), ui.Text13->text()},
        {ui.Text14->text(), ui.Text15->text(), ui.Text16->text(), ui.Text17->text(), ui.Text18->text()},
        ui.Text19->text(),
        {ui.Text25->text(), ui.Text26->text(), ui.Text27->text(), ui.Text28->text(), ui.Text29->text()},
        {ui.Text30->text(), ui.Text31->text(), ui.Text32->text(), ui.Text33->text(), ui.Text34->text()},
        ui.Text42->text(),
    };
}

QLineEdit *DtmfCommands::muteCall(int row) const
{
    const Ui::Form6 &ui = m_form.ui;
    const std::array<QLineEdit *, 5> boxes{ui.Text4, ui.Text5, ui.Text6, ui.Text7, ui.Text8};
    return boxes[static_cast<std::size_t>(row)];
}

QLineEdit *DtmfCommands::stationCall(int row) const
{
    const Ui::Form6 &ui = m_form.ui;
    const std::array<QLineEdit *, 5> boxes{ui.Text20, ui.Text21, ui.Text22, ui.Text23, ui.Text24};
    return boxes[static_cast<std::size_t>(row)];
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
            carryOut(action);
        }
    });
}

void DtmfCommands::carryOut(const dtmf::Action &action)
{
    using dtmf::Kind;
    switch (action.kind) {
    case Kind::ConnectNode: connectNode(action.text); break;
    case Kind::ToggleStayConnected: toggleStayConnected(); break;
    case Kind::SelectProfile: selectProfile(action.row); break;
    case Kind::Mute: muteRow(action.row, true); break;
    case Kind::Unmute: muteRow(action.row, false); break;
    case Kind::UnmuteAll: m_steps.send(channel::unmuteAll()); break;
    case Kind::Disconnect: disconnectRow(action.row); break;
    case Kind::Connect: connectRow(action.row); break;
    case Kind::DisconnectTalking: disconnectTalking(); break;
    }
}

void DtmfCommands::connectNode(const QString &node)
{
    // A node number is keyed on the keypad; anything else after the prefix
    // did not come from one and is not passed on to the server.
    if (!dtmf::isKeypadText(node)) {
        m_form.context().report(QStringLiteral("DTMF connect not sent: the node number holds characters no keypad sends"));
        return;
    }
    m_steps.send(channel::connect(node));
}

void DtmfCommands::toggleStayConnected()
{
    QCheckBox *box = m_form.ui.StayCon1;
    controls::setCheckValue(box, controls::checkValue(box) == 1 ? 0 : 1);
    if (ModerationLog *log = m_form.context().log)
        log->action(controls::checkValue(box) == 1 ? QStringLiteral("Stay Connected on") : QStringLiteral("Stay Connected off"),
                    QString());
}

void DtmfCommands::selectProfile(int index)
{
    controls::setCaption(m_form.ui.Text35, QString());
    if (ModerationLog *log = m_form.context().log)
        log->action(QStringLiteral("conference profile %1 selected and relinked").arg(index + 1),
                    m_form.profiles()[static_cast<std::size_t>(index)].callsign());
    m_form.selectProfile(index);
    m_form.ResetListing();
}

void DtmfCommands::muteRow(int row, bool mute)
{
    const QString call = muteCall(row)->text();
    if (call.isEmpty()) {
        m_steps.clear();
        return;
    }
    m_steps.send(mute ? channel::mute(call) : channel::unmute(call));
    m_steps.echo();
    m_steps.send(mute ? m_steps.plainNotice(channel::Marker::Mute, call, channel::notice::kMutedBot)
                      : m_steps.plainNotice(channel::Marker::Unmute, call, channel::notice::kUnmutedBot));
    m_steps.echo();
    m_steps.clear();
}

void DtmfCommands::disconnectRow(int row)
{
    const QString call = stationCall(row)->text();
    if (call.isEmpty()) {
        m_steps.clear();
        return;
    }
    m_steps.send(channel::disconnect(call));
    m_steps.echo();
    m_steps.clear();
}

void DtmfCommands::connectRow(int row)
{
    QLineEdit *box = stationCall(row);
    box->setText(box->text().toUpper());
    m_steps.send(channel::connect(box->text()));
}

void DtmfCommands::disconnectTalking()
{
    m_steps.send(channel::disconnectTalking());
    m_steps.send(channel::disconnectTalking());
    m_steps.clear();
}

} // namespace gavelry
