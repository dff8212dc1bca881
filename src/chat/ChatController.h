#pragma once

#include <QObject>
#include <QString>
#include <array>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace gavelry {

class AdminGate;
class ClientLink;
class Messages;
class StationTracking;
class TalkTimeSwitch;

namespace chat {
struct DisplayLine;
}

/// The chat window's controls that decide what becomes of a received line.
struct ChatControls {
    /// The bad-word filter words, FilterText1 at index 0 to FilterText12.
    std::array<QLineEdit *, 12> FilterText;
    /// "Case Sensitive": the filter words match with their case.
    QCheckBox *Check3;
    /// "Time Stamp Incoming".
    QCheckBox *Check2;
    /// "Use Chat": received lines are shown at all.
    QRadioButton *Option1;
    /// The second callsign private messages may be addressed to.
    QLineEdit *ExtraCall;
    /// The private panel: to whom the operator writes, and the private log.
    QLineEdit *Text1;
    QPlainTextEdit *Text3;
};

/// Every chat line of the conference passes through here, in the order of
/// EchoLink_ChatTextReceived's steps: the in-band probes are answered, the
/// remote talk-time switches obeyed, the server's acknowledgement of our
/// log-on opens the admin gate, private messages to us are taken and
/// acknowledged, and what is left is filtered and either delivered as the
/// awaited station list or drawn in the chat display.
///
/// It works on the chat window's controls (options, filter words, private
/// panel); what it changes elsewhere goes through the owner of that state.
class ChatController : public QObject {
    Q_OBJECT
public:
    ChatController(Messages &window, AdminGate &gate, StationTracking &tracking, TalkTimeSwitch &talkTime);

    /// The most characters of a sender the moderation log names.
    static constexpr int kSenderInLog = 40;

    /// Handles one chat line of the conference (the client's chat event).
    void EchoLink_ChatTextReceived(const QString &sText);

private:
    void attachClient(ClientLink *client);
    ClientLink &client() const;
    void send(const QString &text);

    // The steps of a received line, in the order the handler takes them.
    void answerChatProbe(const QString &line);
    void answerVersionProbe(const QString &line);
    void remoteTalkTimeOff(const QString &upperLine, const QString &call);
    void remoteTalkTimeOn(const QString &upperLine, const QString &call);
    void fourMinuteLimit(const QString &line);
    void adminAcknowledgement(const QString &line);
    void allowSlowClient();
    void settleExtraCall(const QString &call);
    QString replyTag(const QString &call) const;
    bool isPrivateToUs(const QString &line, const QString &call) const;
    void takePrivateMessage(const QString &line, const QString &call);
    bool chatShown() const;
    bool filtered(const QString &line, const QString &upperLine) const;
    void showReceivedLine(const chat::DisplayLine &shown);
    /// A remote switch changed the talk-time limit: into the moderation log.
    void remoteAction(const QString &what, const QString &probe);

    Messages &m_window;
    AdminGate &m_gate;
    StationTracking &m_tracking;
    TalkTimeSwitch &m_talkTime;
    const ChatControls m_c;
    /// Who sent the line being handled (the text before its first ">").
    QString m_sender;
};

} // namespace gavelry
