#pragma once

#include "chat/ChatLine.h"
#include "core/Controls.h"
#include "chat/Emoticons.h"
#include "core/WindowRegistry.h"
#include "ui_Messages.h"

#include <QPixmap>
#include <QTextCursor>
#include <QTextImageFormat>
#include <vector>

class QLabel;
class QToolButton;

namespace gavelry {

class Form6;

/// The chat window: the conference chat display, the compose box, the
/// private-message panel, the emoticon palette, the bad-word filter words and
/// the chat options (messagebox.ini). It draws the lines the chat controller
/// hands it, composes and sends the operator's lines, and keeps its layout.
class Messages : public ChatWindow {
    Q_OBJECT
public:
    /// Lines the chat display keeps. A busy conference carries a few hundred
    /// chat lines an hour, so this holds well over a working day of chat,
    /// while a bot that runs for weeks keeps its memory and the cost of each
    /// new line the same as on its first day.
    static constexpr int kScrollbackLines = 3000;
    /// How many of the oldest lines go at once when the display is full.
    static constexpr int kTrimBatch = 300;
    /// Characters the chat display keeps (a picture counts as one). Ordinary
    /// chat fills the display's lines long before this; a station that sends
    /// very long lines fills this first, and the oldest lines make room.
    static constexpr int kScrollbackChars = 400000;
    /// The longest sender or message the display and the private log show;
    /// a longer one is cut there and ends in "…" (a line edit holds no
    /// more). What is sent or acknowledged is never cut.
    static constexpr int kLongestShown = controls::kLongestText;
    /// Lines and characters the private log keeps; the oldest entries go
    /// first, kPrivateLogBatch lines at a time.
    static constexpr int kPrivateLogLines = 2000;
    static constexpr int kPrivateLogChars = 200000;
    static constexpr int kPrivateLogBatch = 200;

    explicit Messages(AppContext &ctx, QWidget *parent = nullptr);
    ~Messages() override;

    void TXText(const QString &line) override;
    void TXText2(const QString &line) override;

    /// Writes one line into the chat display: the sender in bold, red when it
    /// is our own sender label and blue otherwise, then the message in black
    /// with its emoticon codes turned into pictures. Always plain text.
    void RXText(const QString &sender, const QString &message);

    /// A private message to us came in: its entry into the private log, the
    /// window up with the private panel open.
    void showPrivateMessage(const QString &logEntry);

    /// Writes messagebox.ini; a failure is shown in a message box.
    void SaveData();
    const SettingsLayout *settingsLayout() const override;

    /// Member index (0-41) of the display table of emoticon pictures.
    QLabel *imgIcon(int index) const { return m_imgIcon.at(static_cast<size_t>(index)); }
    /// Palette picture Image<n>, n = 1 .. 35.
    QToolButton *Image(int n) const { return m_palette.at(static_cast<size_t>(n - 1)); }
    const chat::EmoticonArt &art() const { return m_art; }
    /// Member index's picture as the display and imgIcon show it, drawn the
    /// first time it is needed.
    const QPixmap &picture(int index);

    /// C + "> ": the sender our own echoed lines carry.
    const QString &ownSenderLabel() const { return m_ownSenderLabel; }
    /// ":" + C + "~": marks a private message addressed to us.
    const QString &ownPrivateTag() const { return m_ownPrivateTag; }

protected:
    void Form_Load() override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    /// The window's controls, by their names: its own, nobody else's.
    Ui::Messages ui;
    // Composing and the layout buttons.
    void send(const QString &text);
    /// The operator's own send: the one place that reads the compose box.
    void sendComposed();
    void TextTX_Enter();
    void Send_Click();
    void sendPrivateMessage();
    void Command3_Click();
    void Command39_Click();
    void openPrivatePanel();
    void appendPrivateLog(const QString &entry);
    void Image_Click(int n);

    void trimScrollback(qsizetype incoming);
    void insertWithPictures(QTextCursor &cursor, const QString &text, const QTextCharFormat &format);
    void moveDisplayCaretToEnd();
    Form6 &mainWindow() const;
    void wire();
    void setUpPictures();
    void showPalettePictures();

    QString m_ownSenderLabel;
    QString m_ownPrivateTag;
    /// The stamped text of the last stamped send: shown again by TXText2.
    QString m_stampedOut;
    chat::EmoticonArt m_art;
    std::vector<QLabel *> m_imgIcon;
    std::vector<QToolButton *> m_palette;
    bool m_paletteShown = false;
    /// Per member: its picture once drawn, and the format that places it.
    std::vector<QPixmap> m_pictures;
    std::vector<QTextImageFormat> m_pictureFormats;
    QTextCharFormat m_ownSenderFormat;   // bold red
    QTextCharFormat m_otherSenderFormat; // bold blue
    QTextCharFormat m_messageFormat;
    /// Where the display's lines are appended; kept, not made per line.
    QTextCursor m_append;
};

} // namespace gavelry
