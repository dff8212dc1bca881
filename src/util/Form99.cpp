#include "Form99.h"

#include "Caption.h"
#include "ClientLink.h"

#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>
#include "webview/WebView.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <unistd.h>

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
    if (m_setUrl && m_browser)
        m_setUrl(m_browser, url);
}

void Form99::SaveData2() {}

void Form99::showEvent(QShowEvent *event)
{
    WebLinksWindow::showEvent(event);
    createBrowser();
}

namespace {

/// Loads the web view module from beside the executable; null when there is
/// none (a build without the web engine).
QLibrary *loadWebViewModule(QObject *owner)
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral("gavelry_webview")),
                                     here.filePath(QStringLiteral("../lib/gavelry/gavelry_webview"))}) {
        auto *lib = new QLibrary(candidate, owner);
        if (lib->load())
            return lib;
        delete lib;
    }
    return nullptr;
}

} // namespace

void Form99::createBrowser()
{
    if (m_browser)
        return;
    // No web engine on the offscreen platform (headless runs and tests), and
    // none for root: the engine ends the whole process rather than run its
    // renderers unsandboxed as root.
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    if (!offscreen && ::geteuid() != 0) {
        if (QLibrary *module = loadWebViewModule(this)) {
            auto create = reinterpret_cast<GavelryCreateWebView>(module->resolve(GAVELRY_WEBVIEW_CREATE));
            m_setUrl = reinterpret_cast<GavelrySetWebViewUrl>(module->resolve(GAVELRY_WEBVIEW_SET_URL));
            if (create && m_setUrl) {
                m_browser = create(ui.BrowserHost);
                m_browser->setObjectName(QStringLiteral("WebBrowser1"));
                ui.BrowserHost->layout()->addWidget(m_browser);
                m_setUrl(m_browser, m_address);
                return;
            }
            m_setUrl = nullptr;
        }
    }
    auto *label = new QLabel(ui.BrowserHost);
    label->setObjectName(QStringLiteral("WebBrowser1"));
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setText(tr("No web browser is available here.\n%1").arg(m_address.toString()));
    m_browser = label;
    ui.BrowserHost->layout()->addWidget(label);
}

} // namespace gavelry
