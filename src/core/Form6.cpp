#include "core/Form6.h"

#include "platform/ClientLink.h"
#include "core/Caption.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "core/Errors.h"
#include "platform/Logging.h"
#include "core/MainSettings.h"
#include "core/ModerationLog.h"
#include "core/OwnSettings.h"
#include "platform/Scheduler.h"
#include "Version.h"

#include <QCloseEvent>
#include <QResizeEvent>
#include <QTabBar>

#include <algorithm>

namespace gavelry {

namespace {

constexpr int kNarrowTwips = 6010;
constexpr int kWideTwips = 10155;

// Start page of a public web translation service for the web links window.
const QUrl kTranslatePage(QStringLiteral("https://translate.google.com/"));

} // namespace

Form6::Form6(AppContext &context, QWidget *parent) : Window(context, parent)
{
    ui.setupUi(this);
    setObjectName(QStringLiteral("Form6"));

    m_profiles = {{
        {ui.Option1, ui.Option4, ui.Conference, ui.SysopPwd, ui.Log_On_Conf, ui.Log_On, ui.Log_On_Admin,
         ui.LabelConference1, ui.LabelPassword1, QStringLiteral("  Connected 1"), QStringLiteral(" Disconnected 1")},
        {ui.Option2, ui.Option5, ui.Conference2, ui.SysopPwd2, ui.Log_On_Conf2, ui.Log_On2, ui.Log_On_Admin2,
         ui.LabelConference2, ui.LabelPassword2, QStringLiteral("  Connected 2"), QStringLiteral(" Disconnected 2")},
        {ui.Option3, ui.Option6, ui.Conference3, ui.SysopPwd3, ui.Log_On_Conf3, ui.Log_On3, ui.Log_On_Admin3,
         ui.LabelConference3, ui.LabelPassword3, QStringLiteral("  Connected 3"), QStringLiteral(" Disconnected 3")},
        {ui.Option9, ui.Option10, ui.Conference4, ui.SysopPwd4, ui.Log_On_Conf4, ui.Log_On4, ui.Log_On_Admin4,
         ui.LabelConference4, ui.LabelPassword4, QStringLiteral("  Connected 4"), QStringLiteral(" Disconnected 4")},
    }};

    auto makeTimer = [this](int interval) {
        Timer *t = ctx.scheduler.createTimer(this);
        t->setInterval(interval);
        return t;
    };
    Timer1 = makeTimer(60000);
    Timer3 = makeTimer(1000);
    Timer4 = makeTimer(10);
    Timer5 = makeTimer(1000);
    Timer6 = makeTimer(100);
    Timer7 = makeTimer(1000);
    Timer8 = makeTimer(1000);

    wireButtons();
}

Form6::~Form6() = default;

int Form6::selectedProfile() const
{
    for (int i = 0; i < 4; ++i)
        if (m_profiles[i].option->isChecked())
            return i;
    return -1;
}

void Form6::Send(const QString &line)
{
    // A profile that sends its notices plain sends a quoted one without
    // its ".quote " (gavelry.ini): on some servers only sysops see quotes.
    sTextSay = ctx.ownSettings ? ctx.ownSettings->outgoing(line, selectedProfile()) : line;
    if (!EchoLink())
        throw ClientError(QStringLiteral("The main window has no client"));
    EchoLink()->sendChatText(sTextSay);
    if (ctx.log)
        ctx.log->sent(sTextSay);
}

void Form6::SendAndClear(const QString &line)
{
    Send(line);
    sTextSay.clear();
}

bool Form6::timeStampAll() const { return controls::checkValue(ui.Check1) == 1; }

void Form6::SelectConf()
{
    const int selected = selectedProfile();
    for (int i = 0; i < 4; ++i) {
        const Profile &p = m_profiles[i];
        const bool visible = i == selected;
        if (visible && !p.twin->isChecked())
            p.twin->setChecked(true);
        for (QWidget *w : {static_cast<QWidget *>(p.conference), static_cast<QWidget *>(p.password),
                           static_cast<QWidget *>(p.conDisc), static_cast<QWidget *>(p.sysop),
                           static_cast<QWidget *>(p.admin), static_cast<QWidget *>(p.labelConference),
                           static_cast<QWidget *>(p.labelPassword)})
            w->setVisible(visible);
    }
}

void Form6::selectProfile(int index)
{
    if (index < 0 || index > 3)
        return;
    m_profiles[index].option->setChecked(true);
    m_profiles[index].twin->setChecked(true);
    SelectConf();
}

void Form6::SaveData()
{
    const QString error = saveOwnSettings();
    if (!error.isEmpty())
        ctx.dialogs.messageBox(QStringLiteral("The settings could not be saved.\n%1").arg(error),
                               QStringLiteral("Save Settings"), MsgButtons::Ok, MsgIcon::Critical);
}

void Form6::showLastEvent(const QString &entry)
{
    if (ui.StatusLine->text() != entry)
        setStatusLine(entry);
}

void Form6::reportStatus(const QString &text)
{
    qCWarning(lcCore) << text;
    setStatusLine(ctx.scheduler.timeOfDay() + QStringLiteral("  ") + text);
}

void Form6::setStatusLine(const QString &text)
{
    // The line shows what fits, cut in the middle; the tool tip has it all.
    ui.StatusLine->setText(text);
    ui.StatusLine->setToolTip(text);
}

void Form6::setFormWidth(int twips)
{
    resize(controls::toPixels(twips), height());
    fitStatusLine();
}

void Form6::fitStatusLine()
{
    // The status line ends a control margin short of the window's right
    // edge in either form, so that its end (the cause) is never cut off.
    const int margin = ui.SSTab1->x();
    ui.StatusLine->resize(std::max(0, width() - ui.StatusLine->x() - margin), ui.StatusLine->height());
}

void Form6::resizeEvent(QResizeEvent *event)
{
    Window::resizeEvent(event);
    fitStatusLine();
}

const SettingsLayout *Form6::settingsLayout() const { return &MainSettings::layout(); }

QString Form6::mainCaption() const
{
    return windowTitle();
}

void Form6::Form_Load()
{
    // 1. The client. Without one the program cannot run: the caller ends it.
    ClientLink &client = createClient();
    connect(&client, &ClientLink::Closing, this, [this] { ctx.endProgram(); });

    // 2. Caption: product, local callsign, version.
    setWindowTitle(windowCaption(client.localCallsign(),
                                 QStringLiteral("             ") + QString::fromLatin1(kProductName)));

    // The timers run from here on, Timer7 excepted, which waits for a
    // listing refresh. Enabling them before the settings load lets a change
    // handler stop one for good (an emptied talk-time limit stops Timer5);
    // none can tick before the load returns to the event loop.
    for (Timer *t : {Timer1, Timer3, Timer4, Timer5, Timer6, Timer8})
        t->setEnabled(true);

    // 3. Settings, ending with the window position.
    loadOwnSettings();

    // 4. No listing is awaited yet; the station list box is for reading.
    nListWait = ListWait::None;
    ui.Text2->setReadOnly(true);

    // 5. A busy client gets a quarter of an hour before a call fails.
    client.setWaits(kSlowClientWaitMs);

    // 6. A conference the client is already linked to becomes the selected
    // profile, and the admin log-on is sent again when asked for.
    adoptRunningConnection();

    // 7. The web links window opens on the translation page; loading it
    // first lets its own start page be replaced rather than win.
    if (ctx.windows.form99) {
        ctx.windows.form99->ensureLoaded();
        ctx.windows.form99->navigate(kTranslatePage);
    }

    // 8. The narrow form, showing the selected profile's fields only.
    setFormWidth(kNarrowTwips);
    SelectConf();

    // 9. Hiding a window loads it: from here on every window and its timers run.
    for (Window *w : {ctx.windows.form116, ctx.windows.form14, static_cast<Window *>(ctx.windows.form99),
                      ctx.windows.form116, static_cast<Window *>(ctx.windows.messages),
                      static_cast<Window *>(ctx.windows.form321)})
        if (w)
            w->hideWindow();

    emit loaded();
}

void Form6::adoptRunningConnection()
{
    ClientLink &client = *EchoLink();
    for (int i = 0; i < 4; ++i) {
        const Profile &p = m_profiles[i];
        if (!client.isConnected(p.callsign()))
            continue;
        p.option->setChecked(true);
        ModerationLog::Cause cause(ctx.log, QStringLiteral("start-up on a linked conference (Auto Enter Admin Password)"));
        if (controls::checkValue(ui.AutoEnter) == 1 && client.connectionCount() <= 1)
            SendAndClear(channel::adminLogOn(p.password->text()));
    }
}

void Form6::wireButtons()
{
    connect(ui.Command39, &QPushButton::clicked, this, &Form6::Command39_Click);
    connect(ui.Command6, &QPushButton::clicked, this, [this] { ui.Text2->clear(); });
    connect(ui.Command12, &QPushButton::clicked, this, &Form6::SaveData);
    connect(ui.Command4, &QPushButton::clicked, this, [this] {
        if (ctx.windows.form14)
            ctx.windows.form14->showWindow();
    });
    connect(ui.Command3, &QPushButton::clicked, this, [this] {
        if (ctx.windows.messages)
            ctx.windows.messages->showWindow();
    });
    connect(ui.Command8, &QPushButton::clicked, this, [this] {
        if (ctx.windows.form99)
            ctx.windows.form99->showWindow();
    });
    connect(ui.Command58, &QPushButton::clicked, this, [this] {
        if (ctx.windows.form116)
            ctx.windows.form116->showWindow();
    });
    connect(ui.Command7, &QPushButton::clicked, this, [this] { ctx.endProgram(); });
    // Double-clicking a tab saves the settings, like "Save Settings": it is the
    // tab control's one argument-less event, and unlike losing the focus it is
    // never raised by accident.
    connect(ui.SSTab1->tabBar(), &QTabBar::tabBarDoubleClicked, this, [this](int) { SSTab1_DblClick(); });
}

void Form6::Command39_Click()
{
    if (ui.Command39->text() == QLatin1String("Show Extra")) {
        ui.Command39->setText(QStringLiteral("Hide Extra"));
        setFormWidth(kWideTwips);
    } else {
        ui.Command39->setText(QStringLiteral("Show Extra"));
        setFormWidth(kNarrowTwips);
    }
}

void Form6::SSTab1_DblClick() { SaveData(); }

QString Form6::adminState() const { return ui.Text36->text(); }

void Form6::setAdminState(const QString &text, int backColor)
{
    if (controls::backColor(ui.Text36) != backColor)
        controls::setBackColor(ui.Text36, backColor);
    if (ui.Text36->text() != text) {
        ui.Text36->setText(text);
        // For a run without a window: the journal shows when the gate opened.
        qCInfo(lcCore) << "admin state:" << text;
    }
}

int Form6::adminBackColor() const { return controls::backColor(ui.Text36); }

QString Form6::talker() const { return controls::caption(ui.Text1); }

QString Form6::receiveIndicator() const { return ui.PTT->text(); }

void Form6::setStationListState(const QString &caption) { controls::setCaption(ui.Frame5, caption); }

void Form6::ConDisc()
{
    if (conDiscHook)
        conDiscHook();
}

void Form6::ResetListing()
{
    if (resetListingHook)
        resetListingHook();
}

void Form6::closeEvent(QCloseEvent *event)
{
    event->ignore();
    const MsgAnswer answer = ctx.dialogs.messageBox(
        QStringLiteral("Quit ") + QString::fromLatin1(kProductName)
            + QStringLiteral(" - Are You Sure ? Remember To Save Any Changes  "),
        QStringLiteral("Exit Program"), MsgButtons::YesNo, MsgIcon::Question);
    if (answer == MsgAnswer::Yes)
        ctx.endProgram();
}

} // namespace gavelry
