#include "chat/Messages.h"

#include "core/Caption.h"
#include "platform/ClientLink.h"
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "core/Errors.h"
#include "core/ModerationLog.h"
#include "core/Form6.h"
#include "chat/PrivateMessage.h"
#include "platform/Scheduler.h"
#include "core/SettingsTable.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <functional>

namespace gavelry {

namespace {

using F = SettingKey::Format;

const SettingsLayout &fileLayout()
{
    static const SettingsLayout table{QStringLiteral("messagebox.ini"), [] {
        SettingsTable t{
            {QStringLiteral("CHECK1"), QStringLiteral("Check1"), F::Check, QStringLiteral("1")},
            {QStringLiteral("CHECK2"), QStringLiteral("Check2"), F::Check, QStringLiteral("1")},
            {QStringLiteral("CHECK3"), QStringLiteral("Check3"), F::Check, QStringLiteral("1")},
            {QStringLiteral("OPTION1"), QStringLiteral("Option1"), F::Truth, QStringLiteral("1")},
            {QStringLiteral("OPTION2"), QStringLiteral("Option2"), F::Truth, QStringLiteral("0")},
            {QStringLiteral("EXTRACALL"), QStringLiteral("ExtraCall"), F::Text, QString()},
        };
        const QStringList words{QStringLiteral("timeout"), QStringLiteral("node"), QStringLiteral("Exceeded"),
                                QStringLiteral("Connected"), QStringLiteral("Disconnected")};
        for (int i = 1; i <= 12; ++i)
            t.push_back({QStringLiteral("FILTERTEXT%1").arg(i), QStringLiteral("FilterText%1").arg(i), F::Text,
                         i <= words.size() ? words[i - 1] : QString()});
        return t;
    }()};
    return table;
}

// Window and display sizes, in twips.
constexpr int kNarrowWidth = 6990;
constexpr int kNarrowHeight = 8400;
constexpr int kWideWidth = 8820;
constexpr int kWideHeight = 9700;
constexpr int kDisplayFull = 6135;  // the private panel covered
constexpr int kDisplayShort = 2655; // the private panel showing

const QString kShowPrivate = QStringLiteral("Show Private Message");
const QString kHidePrivate = QStringLiteral("Hide Private Message");
const QString kShowExtra = QStringLiteral("Show Extra");
const QString kHideExtra = QStringLiteral("Hide Extra");


// The display names each picture "icon:N" after its member of imgIcon.
const QString kPictureScheme = QStringLiteral("icon");

QString pictureName(int icon)
{
    return kPictureScheme + u':' + QString::number(icon);
}

/// The chat display's document. It hands out the emoticon pictures itself
/// when it first paints one, so a picture is drawn only once a line shows it,
/// nothing is stored per inserted picture, and a cleared display still knows
/// them all.
class PictureDocument : public QTextDocument {
public:
    PictureDocument(std::function<QVariant(int)> picture, QObject *parent)
        : QTextDocument(parent), m_picture(std::move(picture))
    {
    }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type == QTextDocument::ImageResource && name.scheme() == kPictureScheme) {
            bool ok = false;
            const int icon = name.path().toInt(&ok);
            if (ok && icon >= 0 && icon < chat::kIconCount)
                return m_picture(icon);
        }
        return QTextDocument::loadResource(type, name);
    }

private:
    std::function<QVariant(int)> m_picture;
};

/// Makes room in doc for incoming more characters by removing its oldest
/// whole lines (blocks): batch lines once it holds maxBlocks - 1 or more,
/// and as many as needed to stay within maxChars, then a tenth of maxChars
/// more, so that the cost of a removal is paid once for many new lines.
void makeRoom(QTextDocument *doc, int maxBlocks, int batch, qsizetype maxChars, qsizetype incoming)
{
    // Positions before end are text; end is the last block's own end.
    const int end = doc->characterCount() - 1;
    int cut = 0;
    if (doc->blockCount() >= maxBlocks - 1)
        cut = doc->findBlockByNumber(batch).position();
    if (end + incoming > maxChars) {
        const qsizetype excess = end + incoming - (maxChars - maxChars / 10);
        if (excess >= end) {
            cut = end;
        } else {
            const QTextBlock block = doc->findBlock(static_cast<int>(excess));
            const int next = block.position() == excess ? block.position()
                : block.next().isValid()                ? block.next().position()
                                                        : end;
            cut = std::max(cut, next);
        }
    }
    if (cut <= 0)
        return;
    QTextCursor oldest(doc);
    oldest.setPosition(std::min(cut, end), QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

} // namespace

Messages::Messages(AppContext &context, QWidget *parent) : ChatWindow(context, parent)
{
    ui.setupUi(this);
    setObjectName(QStringLiteral("Messages"));
    setUpPictures();
    // Weeks of chat must not pile up: the display keeps its last lines only
    // and no undo history. trimScrollback keeps below the bound line by line;
    // the bound still holds for a single message of many lines.
    ui.RTB->document()->setMaximumBlockCount(kScrollbackLines);
    ui.RTB->document()->setUndoRedoEnabled(false);
    // The private log likewise: a station can send private messages for as
    // long as the bot runs. Its undo history would keep every entry ever
    // added, even those the bound removed.
    ui.Text3->setMaximumBlockCount(kPrivateLogLines);
    ui.Text3->setUndoRedoEnabled(false);
    m_ownSenderFormat.setFontWeight(QFont::Bold);
    m_ownSenderFormat.setForeground(controls::fromBgr(controls::kRed));
    m_otherSenderFormat.setFontWeight(QFont::Bold);
    m_otherSenderFormat.setForeground(controls::fromBgr(controls::kBlue));
    m_messageFormat.setFontWeight(QFont::Normal);
    m_messageFormat.setForeground(controls::fromBgr(controls::kBlack));
    wire();
}

Messages::~Messages() = default;

void Messages::setUpPictures()
{
    // Only names and formats here: each picture is drawn when a line first
    // needs it, and the palette's when the window is first shown.
    auto *doc = new PictureDocument([this](int icon) { return QVariant(picture(icon)); }, ui.RTB);
    doc->setDefaultFont(ui.RTB->document()->defaultFont());
    doc->setDocumentMargin(ui.RTB->document()->documentMargin());
    ui.RTB->setDocument(doc);
    // As with the display's own first document: no page size and so no
    // layout work until the display is shown (a headless bot never shows it).
    doc->documentLayout()->setPaintDevice(ui.RTB->viewport());
    doc->setPageSize(QSizeF(0, 0));
    m_append = QTextCursor(doc);
    m_pictures.resize(chat::kIconCount);
    for (int i = 0; i < chat::kIconCount; ++i) {
        auto *label = findChild<QLabel *>(QStringLiteral("imgIcon_%1").arg(i));
        Q_ASSERT(label);
        label->setProperty("Tag", chat::iconTag(i));
        m_imgIcon.push_back(label);
        QTextImageFormat format;
        format.setName(pictureName(i));
        format.setWidth(chat::EmoticonArt::kSize);
        format.setHeight(chat::EmoticonArt::kSize);
        format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        m_pictureFormats.push_back(format);
    }
    for (int n = 1; n <= chat::kPaletteCount; ++n) {
        auto *button = findChild<QToolButton *>(QStringLiteral("Image%1").arg(n));
        Q_ASSERT(button);
        m_palette.push_back(button);
    }
}

const QPixmap &Messages::picture(int index)
{
    QPixmap &pixmap = m_pictures.at(static_cast<size_t>(index));
    if (pixmap.isNull()) {
        pixmap = QPixmap::fromImage(m_art.icon(index));
        m_imgIcon.at(static_cast<size_t>(index))->setPixmap(pixmap);
    }
    return pixmap;
}

void Messages::showPalettePictures()
{
    // The palette shows the picture its code turns into in the display.
    for (int n = 1; n <= chat::kPaletteCount; ++n) {
        for (const chat::EmoticonPiece &piece : chat::replaceEmoticons(chat::paletteText(n))) {
            if (piece.icon >= 0) {
                Image(n)->setIcon(picture(piece.icon));
                break;
            }
        }
    }
    m_paletteShown = true;
}

void Messages::showEvent(QShowEvent *event)
{
    if (!m_paletteShown)
        showPalettePictures();
    ChatWindow::showEvent(event);
}

void Messages::wire()
{
    connect(ui.TextTX, &QLineEdit::returnPressed, this, &Messages::TextTX_Enter);
    connect(ui.Send, &QPushButton::clicked, this, &Messages::Send_Click);
    connect(ui.Text2, &QLineEdit::returnPressed, this, &Messages::sendPrivateMessage);
    connect(ui.Command2, &QPushButton::clicked, this, &Messages::sendPrivateMessage);
    connect(ui.Command4, &QPushButton::clicked, ui.Text3, &QPlainTextEdit::clear);
    connect(ui.ClearRX, &QPushButton::clicked, ui.RTB, &QTextEdit::clear);
    connect(ui.Command3, &QPushButton::clicked, this, &Messages::Command3_Click);
    connect(ui.Command39, &QPushButton::clicked, this, &Messages::Command39_Click);
    connect(ui.SaveIt, &QPushButton::clicked, this, &Messages::SaveData);
    connect(ui.Exit, &QPushButton::clicked, this, &Window::hideWindow);
    connect(ui.Command1, &QPushButton::clicked, this, [this] {
        if (ctx.windows.form116)
            ctx.windows.form116->showWindow();
    });
    for (int n = 1; n <= chat::kPaletteCount; ++n)
        connect(Image(n), &QToolButton::clicked, this, [this, n] { Image_Click(n); });
}

void Messages::Form_Load()
{
    // The chat controller takes the client's chat lines as the handle is made.
    ClientLink &client = createClient();
    connect(&client, &ClientLink::Closing, this, [this] { ctx.endProgram(); });

    const QString call = client.localCallsign();
    setWindowTitle(windowCaption(call));
    m_ownSenderLabel = call + QStringLiteral("> ");
    m_ownPrivateTag = chat::privateTag(call);

    loadOwnSettings();

    resize(controls::toPixels(kNarrowWidth), controls::toPixels(kNarrowHeight));
    ui.Command3->setText(kShowPrivate);
    ui.RTB->resize(ui.RTB->width(), controls::toPixels(kDisplayFull));
}

void Messages::changeEvent(QEvent *event)
{
    ChatWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ui.TextTX->setFocus();
}

void Messages::SaveData()
{
    saveOwnSettingsOrSay(QStringLiteral("The chat settings"), QStringLiteral("Save"));
}

const SettingsLayout *Messages::settingsLayout() const { return &fileLayout(); }

Form6 &Messages::mainWindow() const
{
    if (!ctx.windows.form6)
        throw std::runtime_error("The main window is not there");
    return *ctx.windows.form6;
}

// ---------------------------------------------------------------------------
// Drawing

void Messages::trimScrollback(qsizetype incoming)
{
    // The oldest lines go a batch at a time, before the document's own bound
    // would drop one line for every line added: the fixed cost of a removal
    // is paid once per batch instead of once per line.
    makeRoom(ui.RTB->document(), kScrollbackLines, kTrimBatch, kScrollbackChars, incoming);
}

void Messages::RXText(const QString &fullSender, const QString &fullMessage)
{
    // A station chooses both; what is shown of either is bounded.
    const QString sender = controls::clipped(fullSender, kLongestShown);
    const QString message = controls::clipped(fullMessage, kLongestShown);
    trimScrollback(sender.size() + message.size() + 4);
    QTextCursor &cursor = m_append;
    cursor.setPosition(ui.RTB->document()->characterCount() - 1);
    // One edit block per line: the scrollback bound trims old lines once the
    // whole line is in.
    cursor.beginEditBlock();

    cursor.insertText(sender + QStringLiteral(": "),
                      sender == m_ownSenderLabel ? m_ownSenderFormat : m_otherSenderFormat);

    // Codes are looked for from the ": " after the sender on. No code starts
    // with a blank or with ":" and a blank, and none holds a line break, so
    // every match lies inside the message itself.
    insertWithPictures(cursor, message + QStringLiteral("\r\n"), m_messageFormat);

    cursor.endEditBlock();
    moveDisplayCaretToEnd();
}

void Messages::insertWithPictures(QTextCursor &cursor, const QString &text, const QTextCharFormat &format)
{
    for (const chat::EmoticonPiece &piece : chat::replaceEmoticons(text)) {
        if (piece.icon < 0)
            cursor.insertText(piece.text, format);
        else
            cursor.insertImage(m_pictureFormats[static_cast<size_t>(piece.icon)]);
    }
}

void Messages::moveDisplayCaretToEnd()
{
    // A caret already at the end stays there as lines are added, so it is
    // moved only when the operator put it elsewhere; a hidden display (the
    // window may stay hidden for days) needs no scrolling. setPosition
    // rather than movePosition(End): moving by a unit lays the block out.
    const int end = ui.RTB->document()->characterCount() - 1;
    QTextCursor c = ui.RTB->textCursor();
    if (c.position() != end || c.hasSelection()) {
        c.setPosition(end);
        ui.RTB->setTextCursor(c);
    } else if (ui.RTB->isVisible()) {
        ui.RTB->ensureCursorVisible();
    }
}

// ---------------------------------------------------------------------------
// Composing

void Messages::send(const QString &text)
{
    if (!EchoLink())
        throw ClientError(QStringLiteral("The chat window has no client"));
    EchoLink()->sendChatText(text);
    if (ctx.log)
        ctx.log->sent(text);
}

void Messages::TXText(const QString &line)
{
    if (controls::checkValue(ui.Check1) == 1) {
        m_stampedOut = chat::stampOutgoing(ctx.scheduler.hhmm(), line);
        send(m_stampedOut);
    } else {
        send(line);
    }
    TXText2(line);
}

void Messages::TXText2(const QString &line)
{
    Form6 &main = mainWindow();
    // No echo while the station list is awaited, nor of sysop commands.
    if (main.nListWait != ListWait::StationList && !line.startsWith(u'.')) {
        // With the stamp option on the echo is the stamped text of the last
        // stamped send, whatever line it is given.
        const QString shown = controls::checkValue(ui.Check1) == 1 ? m_stampedOut : line;
        if (!shown.isEmpty())
            RXText(m_ownSenderLabel, shown);
        main.setStationListState(QStringLiteral("Connected"));
    }
    moveDisplayCaretToEnd();
}

void Messages::sendComposed()
{
    // A failed send leaves the text in the box to be sent again.
    TXText(ui.TextTX->text());
    ui.TextTX->clear();
}

void Messages::TextTX_Enter()
{
    stopOnError(ctx, [&] { sendComposed(); });
    ui.TextTX->setFocus();
}

void Messages::Send_Click()
{
    ui.TextTX->setFocus();
    stopOnError(ctx, [&] { sendComposed(); });
}

void Messages::sendPrivateMessage()
{
    stopOnError(ctx, [&] {
        ui.Text1->setText(ui.Text1->text().toUpper());
        const QString target = ui.Text1->text();
        const QString body = ui.Text2->text();
        appendPrivateLog(chat::sentLogEntry(target, ctx.scheduler.hhmm(), body));
        // The private line goes out on its own: a line the operator is
        // composing in the chat box stays there.
        TXText(chat::privateWireLine(target, body));
        ui.Text2->clear();
        ui.Text2->setFocus();
    });
}

void Messages::showPrivateMessage(const QString &logEntry)
{
    appendPrivateLog(logEntry);
    showWindow();
    openPrivatePanel();
}

void Messages::appendPrivateLog(const QString &entry)
{
    const QString lineEnd = QStringLiteral("\r\n");
    const bool ended = entry.endsWith(lineEnd);
    QString shown = controls::clipped(ended ? entry.chopped(lineEnd.size()) : entry, kLongestShown);
    if (ended)
        shown += lineEnd;
    QTextDocument *doc = ui.Text3->document();
    makeRoom(doc, kPrivateLogLines, kPrivateLogBatch, kPrivateLogChars, shown.size());
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    c.insertText(shown);
}

void Messages::Image_Click(int n)
{
    ui.TextTX->setText(ui.TextTX->text() + chat::paletteText(n));
    ui.TextTX->setCursorPosition(static_cast<int>(ui.TextTX->text().size()));
    ui.TextTX->setFocus();
}

// ---------------------------------------------------------------------------
// Layout

void Messages::openPrivatePanel()
{
    ui.Command3->setText(kHidePrivate);
    ui.ClearRX->hide();
    ui.RTB->resize(ui.RTB->width(), controls::toPixels(kDisplayShort));
}

void Messages::Command3_Click()
{
    if (ui.Command3->text() != kHidePrivate) {
        openPrivatePanel();
    } else {
        ui.Command3->setText(kShowPrivate);
        ui.ClearRX->show();
        ui.RTB->resize(ui.RTB->width(), controls::toPixels(kDisplayFull));
    }
}

void Messages::Command39_Click()
{
    if (ui.Command39->text() == kShowExtra) {
        ui.Command39->setText(kHideExtra);
        resize(controls::toPixels(kWideWidth), controls::toPixels(kWideHeight));
    } else {
        ui.Command39->setText(kShowExtra);
        resize(controls::toPixels(kNarrowWidth), controls::toPixels(kNarrowHeight));
    }
}

} // namespace gavelry
