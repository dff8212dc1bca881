#pragma once

#include "core/AppContext.h"
#include "core/SettingsTable.h"

#include <QWidget>
#include <memory>

namespace gavelry {

class ClientLink;

/// A window of the program. It exists from start-up; it is *loaded* the first
/// time it is shown or hidden (Form_Load: its settings file, its own client
/// handle, its caption), and from then on its timers run whether it is shown
/// or not. Closing it with the title-bar button hides it.
class Window : public QWidget {
    Q_OBJECT
public:
    Window(AppContext &ctx, QWidget *parent = nullptr);
    ~Window() override;

    bool isLoaded() const { return m_loaded; }
    /// Loads the window if it is not loaded yet.
    void ensureLoaded();
    /// Shows the window (modeless, brought to the front), loading it first.
    void showWindow();
    /// Hides the window, loading it first.
    void hideWindow();

    AppContext &context() const { return ctx; }

    /// The window's settings file and its keys; null for a window without one.
    virtual const SettingsLayout *settingsLayout() const { return nullptr; }
    /// Reads the window's settings file into its controls. A file that could
    /// not be read (its backup or the defaults taken instead), and values
    /// that could not be read (their defaults taken), are reported on the
    /// main window's status line.
    void loadOwnSettings();
    /// Writes the window's settings file: an empty string, or why it failed
    /// (the file then keeps its previous contents). A backup that could not
    /// be kept is reported on the status line.
    QString saveOwnSettings();
    /// Writes the window's settings file; a failure is shown in a message box
    /// titled title, naming what was not saved (what) and the file.
    void saveOwnSettingsOrSay(const QString &what, const QString &title);

    /// This window's own handle on the client (null before load).
    ClientLink *EchoLink() const { return m_echoLink.get(); }

signals:
    /// The load made this window's client handle; behaviour classes that
    /// handle the window's client events connect to them here.
    void clientCreated(gavelry::ClientLink *client);

protected:
    virtual void Form_Load() = 0;
    /// Creates this window's client handle; the events arrive on it.
    ClientLink &createClient();
    void closeEvent(QCloseEvent *event) override;

    AppContext &ctx;

private:
    bool m_loaded = false;
    std::unique_ptr<ClientLink> m_echoLink;
};

} // namespace gavelry
