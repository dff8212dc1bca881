#include "Form99.h"

#include "Caption.h"
#include "ClientLink.h"

#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>
#ifdef GAVELRY_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

namespace gavelry {

namespace {
// A page about the sister program Brindlecast.
const QUrl kStartPage(QStringLiteral("https://brindlecast.example.org/"));
} // namespace

Form99::Form99(AppContext &context, QWidget *parent) : WebLinksWindow(context, parent)
{
    ui.setupUi(this);
    auto *layout = new QVBoxLayout(ui.BrowserHost);
    layout->setContentsMargins(0, 0, 0, 0);
}

Form99::~Form99() = default;

void Form99::Form_Load()
{
    ClientLink &client = createClient();
    setWindowTitle(windowCaption(client.localCallsign(), QStringLiteral("   Internet Option")));
    connect(&client, &ClientLink::Closing, this, [this] {
        SaveData2();
        ctx.endProgram();
    });
    navigate(kStartPage);
}

void Form99::navigate(const QUrl &url)
{
    m_address = url;
#ifdef GAVELRY_HAVE_WEBENGINE
    if (auto *view = qobject_cast<QWebEngineView *>(m_browser))
        view->setUrl(url);
#endif
}

void Form99::SaveData2() {}

void Form99::showEvent(QShowEvent *event)
{
    WebLinksWindow::showEvent(event);
    createBrowser();
}

void Form99::createBrowser()
{
    if (m_browser)
        return;
#ifdef GAVELRY_HAVE_WEBENGINE
    // No web engine on the offscreen platform (headless runs and tests).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        auto *view = new QWebEngineView(ui.BrowserHost);
        view->setObjectName(QStringLiteral("WebBrowser1"));
        m_browser = view;
        ui.BrowserHost->layout()->addWidget(view);
        view->setUrl(m_address);
        return;
    }
#endif
    auto *label = new QLabel(ui.BrowserHost);
    label->setObjectName(QStringLiteral("WebBrowser1"));
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setText(tr("No web browser is available here.\n%1").arg(m_address.toString()));
    m_browser = label;
    ui.BrowserHost->layout()->addWidget(label);
}

} // namespace gavelry
