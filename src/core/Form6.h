#pragma once

#include "core/WindowRegistry.h"
#include "ui_Form6.h"

#include <array>
#include <functional>

namespace gavelry {

class Timer;

/// The values of the main window's nListWait: which listing reply the chat
/// window awaits.
struct ListWait {
    static constexpr int None = 0;        ///< nothing: replies are chat like any other
    static constexpr int Operator = 1;    ///< a listing the operator asked for: shown in the chat display
    static constexpr int StationList = 3; ///< the delayed station list: goes to the main window's list box
};

/// The main window: the program itself. It owns the state the other windows
/// read and write (the outgoing line, the listing wait, the admin state box,
/// the talker boxes, the receive indicators) and it creates every other
/// window at start-up. Closing it ends the program.
class Form6 : public Window {
    Q_OBJECT
public:
    explicit Form6(AppContext &ctx, QWidget *parent = nullptr);
    ~Form6() override;

    /// The line about to be sent to the conference.
    QString sTextSay;
    /// Which listing reply the chat window awaits (ListWait).
    int nListWait = ListWait::None;

    // The window's timers, by the names of their jobs' handlers.
    Timer *Timer1 = nullptr; ///< 60 s: stay connected
    Timer *Timer3 = nullptr; ///< 1 s: clock, connection count, idle clean-up
    Timer *Timer4 = nullptr; ///< 10 ms: talk-time countdown reset
    Timer *Timer5 = nullptr; ///< 1 s: talk-time limit
    Timer *Timer6 = nullptr; ///< 100 ms: conference status
    Timer *Timer7 = nullptr; ///< 1 s, off at start: delayed ".users"
    Timer *Timer8 = nullptr; ///< 1 s: weekly connect/disconnect

    /// One conference profile's controls.
    struct Profile {
        QRadioButton *option;
        QRadioButton *twin;
        QLineEdit *conference;
        QLineEdit *password;
        QPushButton *conDisc;
        QPushButton *sysop;
        QPushButton *admin;
        QLabel *labelConference;
        QLabel *labelPassword;
        QString connectedSuffix;
        QString disconnectedSuffix;
        /// The conference callsign: the box text upper-cased.
        QString callsign() const { return conference->text().toUpper(); }
    };
    /// Profiles 1 to 4 at indexes 0 to 3.
    const std::array<Profile, 4> &profiles() const { return m_profiles; }
    /// Index (0-3) of the selected profile, or -1 when no option is set.
    int selectedProfile() const;

    /// The send step: store the line in sTextSay, then send what it holds
    /// through this window's client. Throws ClientError when the client fails.
    void Send(const QString &line);
    /// Send, then empty sTextSay.
    void SendAndClear(const QString &line);

    /// "Time Stamp All Messages".
    bool timeStampAll() const;

    /// Shows the selected profile's fields and hides the others'.
    void SelectConf();
    /// Selects profile index (0-3) as the quick profile buttons do.
    void selectProfile(int index);

    /// Writes vorivuzav.ini.
    void SaveData();
    const SettingsLayout *settingsLayout() const override;
    /// A failure the operator should see (status line and log).
    void reportStatus(const QString &text);
    /// The moderation log's last entry, in the status line: cut in the
    /// middle when the line is too short for it, whole in its tool tip.
    void showLastEvent(const QString &entry);

    /// Exactly the caption start-up gives the window.
    QString mainCaption() const;

signals:
    /// The window finished loading, the other windows included; the timers run.
    void loaded();

protected:
    void Form_Load() override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    /// The window's controls, by their names: its own, nobody else's.
    Ui::Form6 ui;
    void wireButtons();
    void setStatusLine(const QString &text);
    /// Narrows or widens the window (twips), the status line with it.
    void setFormWidth(int twips);
    void fitStatusLine();
    void adoptRunningConnection();
    void Command39_Click();
    void SSTab1_DblClick();

    std::array<Profile, 4> m_profiles{};

    // ---- What the behaviour classes and the other windows read and write of
    // this window, as values. The window never names those classes.
public:
    /// Text36's text: the admin state the gate reads.
    QString adminState() const;
    /// Text36 reads text on backColor (24-bit, red in the low byte). The box
    /// is touched only where something changes: the status job sets it ten
    /// times a second.
    void setAdminState(const QString &text, int backColor);
    /// Text36's back colour now.
    int adminBackColor() const;
    /// Text1: the station talking now (" " while nobody, empty while idle).
    QString talker() const;
    /// PTT's caption: whether audio comes in from the network (TxCaption).
    QString receiveIndicator() const;
    /// Frame5's title over the station list box: "LOADING" while a list is
    /// awaited, "Connected" once it or a chat line came.
    void setStationListState(const QString &caption);

    /// The procedures ConDisc and ResetListing, carried out by the behaviour
    /// the program sets here as it makes it; unset, they do nothing.
    std::function<void()> conDiscHook;
    std::function<void()> resetListingHook;
    /// Connects the selected conference, or disconnects it when it is linked.
    void ConDisc();
    /// Drops every link and links the selected conference again.
    void ResetListing();
};

} // namespace gavelry
