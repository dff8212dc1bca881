#include "platform/Dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>

namespace gavelry {

MsgAnswer QtDialogs::messageBox(const QString &text, const QString &title, MsgButtons buttons,
                                MsgIcon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? m_appTitle : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

QString QtDialogs::inputBox(const QString &prompt, const QString &title)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(),
                                                 title.isEmpty() ? m_appTitle : title, prompt,
                                                 QLineEdit::Normal, QString(), &ok);
    return ok ? answer : QString();
}

namespace {

void printBox(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    std::fflush(stderr);
}

} // namespace

MsgAnswer ConsoleDialogs::messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon)
{
    printBox(title.isEmpty() ? m_appTitle : title, text);
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

QString ConsoleDialogs::inputBox(const QString &prompt, const QString &title)
{
    printBox(title.isEmpty() ? m_appTitle : title, prompt);
    return QString();
}

MsgAnswer ScriptedDialogs::messageBox(const QString &text, const QString &title,
                                      MsgButtons buttons, MsgIcon icon)
{
    const Shown shown{QStringLiteral("msgbox"), title, text, buttons, icon};
    m_shown.append(shown);
    if (m_observer)
        m_observer(shown);
    if (!m_replies.isEmpty())
        return m_replies.takeFirst();
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

QString ScriptedDialogs::inputBox(const QString &prompt, const QString &title)
{
    const Shown shown{QStringLiteral("input"), title, prompt, MsgButtons::Ok, MsgIcon::None};
    m_shown.append(shown);
    if (m_observer)
        m_observer(shown);
    return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
}

} // namespace gavelry
