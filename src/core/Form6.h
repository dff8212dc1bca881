#pragma once

#include "WindowRegistry.h"
#include "ui_Form6.h"

#include <array>

namespace gavelry {

class Timer;
class MainSettings;
class AdminGate;
class ConferenceProfiles;
class StationTracking;

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
    /// Which listing reply the chat window awaits: 0 none, 1 asked for by
    /// the operator, 3 the delayed station list.
    int nListWait = 0;

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

    // The behaviour of the controller core, working on these controls.
    AdminGate &adminGate() const { return *m_adminGate; }
    ConferenceProfiles &conferenceProfiles() const { return *m_conferenceProfiles; }
    StationTracking &stationTracking() const { return *m_stationTracking; }

    /// Writes vorivuzav.ini.
    void SaveData();
    /// A failure the operator should see (status line and log).
    void reportStatus(const QString &text);

    /// Exactly the caption start-up gives the window.
    QString mainCaption() const;

signals:
    /// Step 1 of the load made the window's client handle; the behaviour
    /// classes connect to its events here.
    void clientCreated(gavelry::ClientLink *client);
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
    std::unique_ptr<MainSettings> m_settings;
    std::unique_ptr<AdminGate> m_adminGate;
    std::unique_ptr<ConferenceProfiles> m_conferenceProfiles;
    std::unique_ptr<StationTracking> m_stationTracking;
};

} // namespace gavelry
