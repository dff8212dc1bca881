#include "Window.h"

#include "ClientLink.h"

#include <QCloseEvent>
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
