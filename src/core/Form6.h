#pragma once

#include "WindowRegistry.h"
#include "ui_Form6.h"

#include <array>

namespace gavelry {

class Timer;
class AdminGate;
class ConferenceProfiles;
class StationTracking;

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

    /// The controls, by their names.
    Ui::Form6 ui;

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
    /// The admin gate: closed while Text36 reads exactly "Admin Disabled".
    bool adminDisabled() const;
    /// The not-authorised message of the admin gate.
    void noneadmin();

    /// Shows the selected profile's fields and hides the others'.
    void SelectConf();
    /// Selects profile index (0-3) as the quick profile buttons do.
    void selectProfile(int index);
    /// Connects the selected conference, or disconnects it when it is linked.
    void ConDisc();
    /// Drops every link and links the selected conference again.
    void ResetListing();

    /// The behaviour of the controller core working on these controls, which
    /// the window's public procedures hand on to. The program attaches them
    /// before the window loads.
    struct CoreBehaviour {
        AdminGate *adminGate = nullptr;
        ConferenceProfiles *conferenceProfiles = nullptr;
        StationTracking *stationTracking = nullptr;
    };
    void attach(const CoreBehaviour &behaviour) { m_core = behaviour; }
    AdminGate &adminGate() const { return *m_core.adminGate; }
    ConferenceProfiles &conferenceProfiles() const { return *m_core.conferenceProfiles; }
    StationTracking &stationTracking() const { return *m_core.stationTracking; }

    /// Writes vorivuzav.ini.
    void SaveData();
    const SettingsLayout *settingsLayout() const override;
    /// A failure the operator should see (status line and log).
    void reportStatus(const QString &text);
    /// The moderation log's last entry, in the status line.
    void showLastEvent(const QString &entry);

    /// Exactly the caption start-up gives the window.
    QString mainCaption() const;

    // -- What the chat window's echo asks of the main window ----------------
    /// Sets the caption of the station list's frame (Frame5).
    void setStationFrameCaption(const QString &caption) { ui.Frame5->setTitle(caption); }

signals:
    /// The window finished loading, the other windows included; the timers run.
    void loaded();

protected:
    void Form_Load() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void wireButtons();
    void adoptRunningConnection();
    void Command39_Click();
    void SSTab1_DblClick();

    std::array<Profile, 4> m_profiles{};
    CoreBehaviour m_core;
};

} // namespace gavelry
