#pragma once

#include "Window.h"

#include <QList>
#include <QUrl>

class QLineEdit;

namespace gavelry {

class Form6;

/// What the main window and the timed slots need of the chat window.
class ChatWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;
    /// Sends the compose box, stamped when the window's option says so, and echoes it.
    virtual void TXText() = 0;
    /// Echoes the compose box into the chat display (see the chat window).
    virtual void TXText2() = 0;
    /// The compose box.
    virtual QLineEdit *TextTX() const = 0;
};

/// What the moderation actions need of the timed ban window.
class TimedBanWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;
    /// Puts call into the first idle un-mute slot; false when all are busy.
    virtual bool timedMuteHandOver(const QString &call) = 0;
    /// Puts call into the first idle un-ban slot; false when both are busy.
    virtual bool timedBanHandOver(const QString &call) = 0;
};

/// What start-up and the client's closing need of the web links window.
class WebLinksWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;
    /// Points the browser at url (the browser itself may be created later).
    virtual void navigate(const QUrl &url) = 0;
    virtual QUrl currentAddress() const = 0;
    /// Writes the window's addresses.
    virtual void SaveData2() = 0;
};

/// Owns nothing but knows the one instance of every window.
class WindowRegistry {
public:
    Form6 *form6 = nullptr;
    ChatWindow *messages = nullptr;
    TimedBanWindow *form321 = nullptr;
    Window *form116 = nullptr;
    Window *form14 = nullptr;
    WebLinksWindow *form99 = nullptr;

    /// The window of that name ("Form6", "Messages", ...), or null.
    Window *byName(const QString &name) const;
    QList<Window *> all() const;
};

} // namespace gavelry
