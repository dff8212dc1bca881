#pragma once

#include "DtmfMatcher.h"
#include "ModerationSteps.h"

#include <QObject>
#include <QString>

class QLineEdit;

namespace gavelry {

class ClientLink;
class Form6;

/// Remote control by radio: the DTMF sequences the client reports are
/// matched against the codes of the main window's DTMF tab and the matching
/// commands carried out. DTMF commands do not go through the admin gate.
class DtmfCommands : public QObject {
    Q_OBJECT
public:
    explicit DtmfCommands(Form6 &form);

    /// The client heard a DTMF sequence.
    void EchoLink_DTMFString(const QString &sDigits);

    /// The codes as the DTMF tab holds them now.
    dtmf::Codes codes() const;

private:
    void attachClient(ClientLink *client);
    void carryOut(const dtmf::Action &action);

    void connectNode(const QString &node);
    void toggleStayConnected();
    void selectProfile(int index);
    void muteRow(int row, bool mute);
    void disconnectRow(int row);
    void connectRow(int row);
    void disconnectTalking();

    QLineEdit *muteCall(int row) const;
    QLineEdit *stationCall(int row) const;

    Form6 &m_form;
    ModerationSteps m_steps;
};

} // namespace gavelry
