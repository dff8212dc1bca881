#pragma once

#include "moderation/DtmfMatcher.h"
#include "moderation/ModerationSteps.h"

#include <QObject>
#include <QString>

#include <array>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace gavelry {

class ClientLink;
class Form6;
class ModerationActions;
class StationTracking;

/// Remote control by radio: the DTMF sequences the client reports are
/// matched against the codes of the main window's DTMF tab and the matching
/// commands carried out, through the same moderation actions as the
/// buttons. DTMF commands do not go through the admin gate.
class DtmfCommands : public QObject {
    Q_OBJECT
public:
    /// The boxes of the main window's DTMF tab.
    struct Controls {
        QLineEdit *Text3;                   ///< connect prefix
        QLineEdit *Text43;                  ///< toggle "Stay Connected"
        std::array<QLineEdit *, 4> profile; ///< Text39, Text40, Text41, Text44
        std::array<QLineEdit *, 5> muteCall, muteCode, unmuteCode; ///< Text4.., Text9.., Text14..
        QLineEdit *Text19;                  ///< unmute all
        std::array<QLineEdit *, 5> stationCall, disconnectCode, connectCode; ///< Text20.., Text25.., Text30..
        QLineEdit *Text42;                  ///< drop the talking station
        QCheckBox *StayCon1;
        QPlainTextEdit *Text35;             ///< the station listing box
    };

    DtmfCommands(Form6 &form, ModerationActions &actions, StationTracking &tracking);

    /// The client heard a DTMF sequence.
    void EchoLink_DTMFString(const QString &sDigits);

    /// The codes as the DTMF tab holds them now.
    dtmf::Codes codes() const;

private:
    void attachClient(ClientLink *client);
    /// Carries out one matched command; false when it failed, which stops
    /// the sequence's further commands.
    bool carryOut(const dtmf::Action &action);

    bool connectNode(const QString &node);
    void toggleStayConnected();
    void selectProfile(int index);
    bool muteRow(int row, bool mute);
    bool disconnectRow(int row);
    bool connectRow(int row);
    bool disconnectTalking();

    Controls m_c;
    Form6 &m_form;
    ModerationActions &m_actions;
    StationTracking &m_tracking;
    ModerationSteps m_steps;
};

} // namespace gavelry
