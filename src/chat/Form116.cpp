#include "Form116.h"

#include "Caption.h"
#include "ClientLink.h"

namespace gavelry {

Form116::Form116(AppContext &context, QWidget *parent) : Window(context, parent)
{
    setObjectName(QStringLiteral("Form116"));
    setWindowTitle(QStringLiteral("TextBoxMessages"));
}

void Form116::Form_Load()
{
    setWindowTitle(windowCaption(createClient().localCallsign(), QStringLiteral("      Text Box Messages")));
}

} // namespace gavelry
