#pragma once

#include "core/Window.h"

#include <QList>
#include <QUrl>

namespace gavelry {

class Form6;

/// What the main window and the timed slots need of the chat window.
class ChatWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;
    /// Sends line into the conference chat, stamped when the window's option
    /// says so, and echoes it.
    virtual void TXText(const QString &line) = 0;
    /// The local echo of line in the chat display, after a send (see the
    /// chat window). Another window's send echoes an empty line.
    virtual void TXText2(const QString &line) = 0;
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
