#include "core/Window.h"

#include "platform/ClientLink.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>

namespace gavelry {

Window::Window(AppContext &context, QWidget *parent) : QWidget(parent), ctx(context) {}

Window::~Window() = default;

void Window::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Window::showWindow()
{
    ensureLoaded();
    show();
    // Without a display (headless runs, scenarios) there is nothing to bring
    // to the front, and the offscreen platform complains when asked.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        raise();
        activateWindow();
    }
}

void Window::hideWindow()
{
    ensureLoaded();
    hide();
}

void Window::loadOwnSettings()
{
    const SettingsLayout *layout = settingsLayout();
    if (!layout)
        return;
    QStringList unreadable;
    const QString notice = loadSettings(*this, ctx.configDir, layout->file, layout->keys, &unreadable);
    // A value the program could not take (a talk-time limit of "-1") must
    // not pass unseen: the operator sees which keys took their defaults,
    // the log has the values.
    if (unreadable.size() == 1)
        ctx.report(layout->file + QStringLiteral(": ") + unreadable.first()
                   + QStringLiteral(" could not be read; its default was taken"));
    else if (!unreadable.isEmpty())
        ctx.report(layout->file + QStringLiteral(": ") + unreadable.join(QStringLiteral(", "))
                   + QStringLiteral(" could not be read; their defaults were taken"));
    // Last, so the status line keeps it: the file itself could not be read.
    if (!notice.isEmpty())
        ctx.report(notice);
}

QString Window::saveOwnSettings()
{
    const SettingsLayout *layout = settingsLayout();
    if (!layout)
        return QString();
    QString backupProblem;
    const QString error = saveSettings(*this, ctx.configDir, layout->file, layout->keys, &backupProblem);
    if (error.isEmpty() && !backupProblem.isEmpty())
        ctx.report(QStringLiteral("%1 was saved, but its previous version could not be kept as %1.bak: %2")
                       .arg(layout->file, backupProblem));
    return error;
}

void Window::saveOwnSettingsOrSay(const QString &what, const QString &title)
{
    const QString error = saveOwnSettings();
    if (error.isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(QDir(ctx.configDir).filePath(settingsLayout()->file));
    ctx.dialogs.messageBox(QStringLiteral("%1 could not be saved to %2.\n%3").arg(what, path, error), title,
                           MsgButtons::Ok, MsgIcon::Critical);
}

ClientLink &Window::createClient()
{
    m_echoLink = ctx.clients.create();
    emit clientCreated(m_echoLink.get());
    return *m_echoLink;
}

void Window::closeEvent(QCloseEvent *event)
{
    // Secondary windows are hidden, never closed: they keep receiving.
    event->ignore();
    hide();
}

} // namespace gavelry
