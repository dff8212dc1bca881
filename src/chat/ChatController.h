#pragma once

#include <QHash>
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
class CommandWatch;
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
/// log-on opens the admin gate (only a text from the server itself, which
/// has no sender in front), the server's answers go to the command watch,
/// private messages to us are taken and
/// acknowledged, and what is left is filtered and either delivered as the
/// awaited station list or drawn in the chat display.
///
/// It works on the chat window's controls (options, filter words, private
/// panel); what it changes elsewhere goes through the owner of that state.
class ChatController : public QObject {
    Q_OBJECT
public:
    ChatController(Messages &window, AdminGate &gate, StationTracking &tracking, TalkTimeSwitch &talkTime,
                   CommandWatch &watch);

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
    void adminAcknowledgement(const QString &line, bool fromServer);
    /// The server's answer to a command goes to the watch; true when it
    /// was the watch's own question, which goes no further.
    bool serverAnswer(const QString &line, bool fromServer);
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
    /// Whether the line's sender may use probe (the server, or a station
    /// of TRUSTED_STATIONS when gavelry.ini limits them); a refusal is logged.
    bool trusted(const QString &probe);
    /// Logs what was refused to the line's sender, once a minute for each station.
    void refused(const QString &what);

    Messages &m_window;
    AdminGate &m_gate;
    StationTracking &m_tracking;
    TalkTimeSwitch &m_talkTime;
    CommandWatch &m_watch;
    const ChatControls m_c;
    /// Who sent the line being handled (the text before its first ">").
    QString m_sender;
    /// The line being handled came from the server itself.
    bool m_fromServer = false;
    /// When each station (upper case) was last logged for something refused.
    QHash<QString, qint64> m_refusedAt;
    static constexpr qint64 kRefusedOncePerMs = 60000;
    /// The most stations remembered at once (a flood of made-up senders).
    static constexpr qsizetype kRefusedRemembered = 1000;
};

} // namespace gavelry
