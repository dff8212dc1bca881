#include "Form321.h"

#include "Caption.h"
#include "ClientLink.h"

namespace gavelry {

Form321::Form321(AppContext &context, QWidget *parent) : TimedBanWindow(context, parent)
{
    setObjectName(QStringLiteral("Form321"));
}

void Form321::Form_Load()
{
    setWindowTitle(windowCaption(createClient().localCallsign(), QStringLiteral("       Timed Ban / Un-Ban")));
}

bool Form321::timedMuteHandOver(const QString &) { return false; }

bool Form321::timedBanHandOver(const QString &) { return false; }

} // namespace gavelry
