#include "chat/Form116.h"

#include "core/Caption.h"
#include "platform/ClientLink.h"
#include "platform/Dialogs.h"
#include "core/Errors.h"
#include "core/SettingsTable.h"
#include "core/WindowRegistry.h"

#include <QDir>
#include <QLineEdit>

namespace gavelry {

namespace {

using F = SettingKey::Format;

const SettingsLayout &fileLayout()
{
    static const SettingsLayout table{QStringLiteral("textmessage.ini"), [] {
        const QStringList defaults{
            QStringLiteral("I am running Brindlecast here on the node, the sister program of Gavelry"),
            QStringLiteral("Come and visit the Fernwick web site for news, nets and help: www.fernwick.example"),
            QStringLiteral("Please leave bigger gaps so others can join in"),
            QStringLiteral("73's thanks for the great QSO"),
            QStringLiteral("I am logged onto the *HARBOUR* conference, node 482913"),
            QStringLiteral("I will be back just now was called away"),
        };
        SettingsTable t;
        for (int i = 1; i <= 20; ++i)
            t.push_back({QStringLiteral("TEXT%1").arg(i), QStringLiteral("Text%1").arg(i), F::Text,
                         i <= defaults.size() ? defaults[i - 1] : QString()});
        t.push_back({QStringLiteral("LEFT"), QString(), F::Left, QStringLiteral("300")});
        t.push_back({QStringLiteral("TOP"), QString(), F::Top, QStringLiteral("300")});
        return t;
    }()};
    return table;
}

// Send buttons: Command1..Command10 send Text1..Text10, Command13..Command22
// send Text11..Text20 (Command11 and Command12 are "Hide" and "Save").
int buttonNumber(int box)
{
    return box <= 10 ? box : box + 2;
}

} // namespace

Form116::Form116(AppContext &context, QWidget *parent) : Window(context, parent)
{
    ui.setupUi(this);
    setObjectName(QStringLiteral("Form116"));
    for (int n = 1; n <= 20; ++n) {
        auto *button = findChild<QPushButton *>(QStringLiteral("Command%1").arg(buttonNumber(n)));
        Q_ASSERT(button);
        connect(button, &QPushButton::clicked, this, [this, n] { sendMessage(n); });
    }
    connect(ui.Command11, &QPushButton::clicked, this, &Window::hideWindow);
    connect(ui.Command12, &QPushButton::clicked, this, &Form116::SaveData);
}

const SettingsLayout *Form116::settingsLayout() const { return &fileLayout(); }

QLineEdit *Form116::messageBox(int n) const
{
    return findChild<QLineEdit *>(QStringLiteral("Text%1").arg(n));
}

void Form116::Form_Load()
{
    setWindowTitle(windowCaption(createClient().localCallsign(), QStringLiteral("      Text Box Messages")));
    loadOwnSettings();
    // Long messages show their beginning, not their end.
    for (int n = 1; n <= 20; ++n)
        messageBox(n)->setCursorPosition(0);
}

void Form116::SaveData()
{
    saveOwnSettingsOrSay(QStringLiteral("The text box messages"), QStringLiteral("Save"));
}

void Form116::sendMessage(int n)
{
    ChatWindow *chatWindow = ctx.windows.messages;
    if (!chatWindow)
        return;
    // The canned line goes out on its own: a line the operator is composing
    // in the chat window stays in its box.
    stopOnError(ctx, [&] { chatWindow->TXText(messageBox(n)->text()); });
}

} // namespace gavelry
