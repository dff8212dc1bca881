#include "util/Form99.h"

#include "core/Caption.h"
#include "platform/ClientLink.h"
#include "platform/Dialogs.h"
#include "platform/EditStyle.h"
#include "core/SettingsTable.h"
#include "platform/Shell.h"
#include "Version.h"
#include "util/WebSites.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibrary>
#include <QOpenGLContext>
#include <QVBoxLayout>

#include <unistd.h>

// Qt's context that every OpenGL context of the application shares with;
// Qt makes it at start-up only when asked to before the application object
// exists, which would load the GL driver for every session.
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace gavelry {

namespace {

using F = SettingKey::Format;

/// TEXT2..TEXT11 the addresses, TEXT12..TEXT21 their comments.
const SettingsLayout &fileLayout()
{
    static const SettingsLayout layout{QStringLiteral("zurazod2.ini"), [] {
        SettingsTable t;
        for (int n = 2; n <= 21; ++n) {
            QString def;
            if (n == 2)
                def = websites::fernwickSite();
            else if (n == 3)
                def = websites::brindlecastSite();
            else if (n <= 11)
                def = QStringLiteral("http://");
            else if (n == 12)
                def = QStringLiteral("Fernwick");
            else if (n == 13)
                def = QStringLiteral("Brindlecast");
            t.push_back({QStringLiteral("TEXT%1").arg(n), QStringLiteral("Text%1").arg(n), F::Text, def});
        }
        return t;
    }()};
    return layout;
}

/// The "/" buttons in the order of the address boxes Text2..Text11.
const char *const kOpenButtons[] = {"Command6",  "Command7",  "Command8",  "Command12", "Command13",
                                    "Command14", "Command15", "Command16", "Command17", "Command18"};

/// What the engine is handed for an address: as it stands when it names its
/// scheme, otherwise read the way an address bar reads it ("www.qrz.com").
QUrl engineUrl(const QString &address)
{
    const QUrl url(address, QUrl::TolerantMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    const QUrl guessed = QUrl::fromUserInput(address);
    return guessed.isValid() ? guessed : url;
}

/// Why no web engine can run in this process, or empty when one can.
QString whyNoEngine()
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return QStringLiteral("There is no display to show web pages on.");
    // The engine ends the whole process rather than run its page renderers
    // unsandboxed as root, unless the sandbox was switched off on purpose.
    if (::geteuid() == 0 && qEnvironmentVariable("QTWEBENGINE_DISABLE_SANDBOX") != QLatin1String("1")
        && !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox")))
        return QStringLiteral("The web browser does not run for the root user.");
    return QString();
}

/// The web engine hands its pages to the window through OpenGL textures,
/// which needs the shared context the program did not make at start-up: it
/// is made here, the first time a page is shown. Without one (no OpenGL at
/// all) the engine draws in software.
QtMessageHandler g_previousHandler = nullptr;

void prepareSharedOpenGL()
{
    // Qt warns that the switch comes after the application object; here
    // that is the point, so that one warning is not passed on.
    g_previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &where, const QString &text) {
        if (!text.contains(QLatin1String("AA_ShareOpenGLContexts")) && g_previousHandler)
            g_previousHandler(type, where, text);
    });
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(g_previousHandler);
    if (qt_gl_global_share_context())
        return;
    auto *context = new QOpenGLContext(qApp);
    if (context->create())
        qt_gl_set_global_share_context(context);
    else
        delete context;
}

/// Loads the web view module: installed, from the program's library folder
/// (GAVELRY_WEBVIEW_FROM_BIN, from the folder of the executable: the same
/// whatever the install prefix), in the build from beside the executable.
/// Null when there is none (a build without the web engine).
QLibrary *loadWebViewModule(QObject *owner)
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral(GAVELRY_WEBVIEW_FROM_BIN "/gavelry_webview")),
                                     here.filePath(QStringLiteral("gavelry_webview"))}) {
        auto *lib = new QLibrary(candidate, owner);
        if (lib->load())
            return lib;
        delete lib;
    }
    return nullptr;
}

} // namespace

Form99::Form99(AppContext &context, QWidget *parent) : WebLinksWindow(context, parent)
{
    ui.setupUi(this);
    setObjectName(QStringLiteral("Form99"));

    connect(ui.Text1, &QLineEdit::textChanged, this, &Form99::Text1_Change);
    connect(ui.Command1, &QPushButton::clicked, this, &Form99::Command1_Click);
    connect(ui.Command9, &QPushButton::clicked, this, [this] { browse(websites::echoLinkHome()); });
    connect(ui.Command10, &QPushButton::clicked, this, [this] { browse(websites::echoLinkLogins()); });
    connect(ui.Command11, &QPushButton::clicked, this, [this] { browse(websites::echoLinkProxies()); });
    connect(ui.Command2, &QPushButton::clicked, this, [this] { browse(websites::eqslHome()); });
    for (int i = 0; i < 10; ++i) {
        auto *button = findChild<QPushButton *>(QLatin1String(kOpenButtons[i]));
        auto *box = findChild<QLineEdit *>(QStringLiteral("Text%1").arg(i + 2));
        Q_ASSERT(button && box);
        connect(button, &QPushButton::clicked, this, [this, box] { browse(box->text()); });
    }
    connect(ui.Command4, &QPushButton::clicked, this, &Form99::SaveData2);
    connect(ui.Command5, &QPushButton::clicked, this, &Window::hideWindow);
    connect(ui.OpenInDesktop, &QPushButton::clicked, this, &Form99::OpenInDesktop_Click);

    m_resize = std::make_unique<clsResize>();
    m_resize->FormInitialize(this);
}

Form99::~Form99() = default;

void Form99::Form_Load()
{
    loadOwnSettings();
    ClientLink &client = createClient();
    setWindowTitle(windowCaption(client.localCallsign(), QStringLiteral("   Internet Option")));
    connect(&client, &ClientLink::Closing, this, [this] {
        SaveData2();
        ctx.endProgram();
    });
    browse(websites::startPage());
}

QString Form99::lookupAddress(const QString &callsign)
{
    // The callsign is a name on the look-up site: blanks around it are
    // dropped and the characters that would end the path ("?", "#", blanks)
    // are escaped, so it can only ever name a page of that site.
    return websites::qrzLookup()
        + QString::fromLatin1(QUrl::toPercentEncoding(callsign.trimmed(), QByteArrayLiteral("/")));
}

void Form99::Text1_Change()
{
    // The first change switches the box to capitals for whatever follows:
    // the first letter stays as it was typed.
    if (m_text1Changed)
        return;
    m_text1Changed = true;
    EditStyle::setUpperCase(ui.Text1);
}

void Form99::Command1_Click() { browse(lookupAddress(ui.Text1->text())); }

void Form99::navigate(const QUrl &url) { browse(url.toString()); }

QUrl Form99::currentAddress() const { return engineUrl(m_address); }

void Form99::browse(const QString &address)
{
    m_address = address;
    emit browsing(address);
    if (m_setUrl && m_browser)
        m_setUrl(m_browser, engineUrl(address));
    else if (!m_noBrowserReason.isEmpty())
        showPlaceholder(m_noBrowserReason);
}

void Form99::OpenInDesktop_Click()
{
    ctx.shell.OpenURL(m_address, ctx.dialogs, QString::fromLatin1(kProductName));
}

const SettingsLayout *Form99::settingsLayout() const { return &fileLayout(); }

void Form99::SaveData2() { saveOwnSettingsOrSay(QStringLiteral("The web addresses"), QStringLiteral("Save Data")); }

void Form99::showEvent(QShowEvent *event)
{
    WebLinksWindow::showEvent(event);
    createBrowser();
}

void Form99::resizeEvent(QResizeEvent *event)
{
    WebLinksWindow::resizeEvent(event);
    m_resize->FormResize();
}

void Form99::closeEvent(QCloseEvent *event)
{
    // The title-bar close: the window goes away (hidden, it keeps its
    // boxes) and its addresses are written, like "Save Data".
    SaveData2();
    WebLinksWindow::closeEvent(event);
}

void Form99::createBrowser()
{
    if (m_browser)
        return;
    QString why = whyNoEngine();
    if (why.isEmpty()) {
        prepareSharedOpenGL();
        if (QLibrary *module = loadWebViewModule(this)) {
            auto create = reinterpret_cast<GavelryCreateWebView>(module->resolve(GAVELRY_WEBVIEW_CREATE));
            auto setUrl = reinterpret_cast<GavelrySetWebViewUrl>(module->resolve(GAVELRY_WEBVIEW_SET_URL));
            if (create && setUrl) {
                ui.NoBrowser->hide();
                m_browser = create(ui.BrowserHost);
                m_browser->setObjectName(QStringLiteral("WebBrowser1"));
                ui.BrowserHost->layout()->addWidget(m_browser);
                m_setUrl = setUrl;
                m_setUrl(m_browser, engineUrl(m_address));
                return;
            }
            why = QStringLiteral("The web browser module of this copy is damaged.");
        } else {
            why = QStringLiteral("This copy was built without a web browser.");
        }
    }
    m_browser = ui.NoBrowser;
    showPlaceholder(why);
}

void Form99::showPlaceholder(const QString &why)
{
    m_noBrowserReason = why;
    ui.NoBrowserText->setText(why + QStringLiteral("\n\n") + m_address);
    ui.OpenInDesktop->setEnabled(!m_address.isEmpty());
}

} // namespace gavelry
