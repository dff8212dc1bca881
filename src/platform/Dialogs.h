#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace gavelry {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information, Warning, Question, Critical };
enum class MsgAnswer { Ok, Yes, No };

/// Message boxes and modal input boxes.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// Shows a message box; returns the button the operator pressed.
    virtual MsgAnswer messageBox(const QString &text, const QString &title,
                                 MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;
    /// Modal input box with an empty default; returns "" on Cancel.
    virtual QString inputBox(const QString &prompt, const QString &title = QString()) = 0;
};

/// The real thing: QMessageBox and QInputDialog.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QString applicationTitle) : m_appTitle(std::move(applicationTitle)) {}
    MsgAnswer messageBox(const QString &text, const QString &title, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    QString inputBox(const QString &prompt, const QString &title = QString()) override;

private:
    QString m_appTitle;
};

/// Without a display nobody can answer a box: a modal one would wait for
/// ever, invisible. This one writes the box to standard error and takes the
/// default answer at once (the default button; an input box is cancelled).
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(QString applicationTitle) : m_appTitle(std::move(applicationTitle)) {}
    MsgAnswer messageBox(const QString &text, const QString &title, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    QString inputBox(const QString &prompt, const QString &title = QString()) override;

private:
    QString m_appTitle;
};

/// Answers from queues and records what was asked. With nothing queued a
/// message box takes its default button and an input box is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "msgbox" or "input"
        QString title;
        QString text;
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
    };

    void queueReply(MsgAnswer answer) { m_replies.append(answer); }
    void queueAnswer(const QString &answer) { m_answers.append(answer); }
    const QList<Shown> &shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }
    /// Called for every box shown (the scenario transcript hooks in here).
    void setObserver(std::function<void(const Shown &)> observer) { m_observer = std::move(observer); }

    MsgAnswer messageBox(const QString &text, const QString &title, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    QString inputBox(const QString &prompt, const QString &title = QString()) override;

private:
    QList<MsgAnswer> m_replies;
    QStringList m_answers;
    QList<Shown> m_shown;
    std::function<void(const Shown &)> m_observer;
};

} // namespace gavelry
