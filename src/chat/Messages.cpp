#include "Messages.h"

#include "Caption.h"
#include "ClientLink.h"

namespace gavelry {

Messages::Messages(AppContext &context, QWidget *parent) : ChatWindow(context, parent)
{
    ui.setupUi(this);
}

void Messages::Form_Load()
{
    ClientLink &client = createClient();
    setWindowTitle(windowCaption(client.localCallsign()));
    connect(&client, &ClientLink::Closing, this, [this] { ctx.endProgram(); });
}

void Messages::TXText()
{
    EchoLink()->sendChatText(ui.TextTX->text());
    TXText2();
    ui.TextTX->clear();
}

void Messages::TXText2() {}

} // namespace gavelry
