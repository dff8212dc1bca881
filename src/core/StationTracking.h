#pragma once

#include <QObject>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace gavelry {

class ClientLink;
class ConferenceProfiles;
class Form6;

/// The captions of the receive indicators (PTT and its copies): whether audio
/// comes in from the network now. The talk-time limit reads PTT's caption.
struct TxCaption {
    static constexpr QLatin1StringView On{"IP TX ON"};
    static constexpr QLatin1StringView Off{"IP TX OFF"};
};

/// The main window's controls that show who is on the conference and who talks.
struct StationTrackingControls {
    /// The receive indicators: PTT and its copies on the other tabs.
    QLabel *PTT, *PTT3, *PTT2, *PTT1;
    /// The station information box, the talker and the last talker.
    QPlainTextEdit *Text35;
    QLineEdit *Text1, *Text37;
    /// The station list box and its frame, whose title says whether a list is loading.
    QPlainTextEdit *Text2;
    QGroupBox *Frame5;
    QLabel *ShowTime, *ShowTime2, *HowmanyConnected;
};

/// Who is on the conference and who is talking: the receive indicators, the
/// station information and talker boxes, the clock and connection count, the
/// idle clean-up, and the re-connect and delayed station list the moderation
/// buttons ask for.
class StationTracking : public QObject {
    Q_OBJECT
public:
    StationTracking(Form6 &form, ConferenceProfiles &profiles);

    /// Audio from the network started (true) or stopped (false): the four
    /// "IP TX" indicators.
    void EchoLink_RX(bool receiving);
    /// The station information text: the listing box, the talker and the
    /// last talker.
    void EchoLink_StationTextReceived(const QString &sText);

    /// Whether the chat window's next listing reply is the station list.
    bool awaitsStationList() const;
    /// The awaited station list arrived: into the list box, marked with the
    /// time it was updated; nothing is awaited any more.
    void takeStationList(const QString &message);
    /// A chat line was shown: a listing the operator asked for has come.
    void chatLineShown();

    /// Drops every link and links the selected conference again, emptying the
    /// station information box first.
    void ResetListing();

    /// Once a second: clock, connection count, empty boxes while idle, tool tips.
    void Timer3_Timer();
    /// One second after a listing refresh: asks the conference for its users.
    void Timer7_Timer();

private:
    void attachClient(ClientLink *client);
    ClientLink &client() const;
    void showReceiving(bool receiving);
    void emptyIdleBoxes();

    Form6 &m_form;
    ConferenceProfiles &m_profiles;
    const StationTrackingControls m_c;
};

} // namespace gavelry
