#include "core/AdminGate.h"

#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "core/Errors.h"
#include "core/Form6.h"
#include "platform/Logging.h"
#include "platform/Scheduler.h"

namespace gavelry {

const QString AdminGate::kDisabled = QStringLiteral("Admin Disabled");
const QString AdminGate::kEnabled = QStringLiteral("Admin Enabled");
const QString AdminGate::kOverride = QStringLiteral("Admin Override");
const QString AdminGate::kNoConference = QStringLiteral(".Admin Disabled.");

AdminGate::AdminGate(Form6 &form) : m_form(form), m_designBackColor(form.adminBackColor()) {}

bool AdminGate::closed() const { return m_form.adminState() == kDisabled; }

bool AdminGate::allows() const
{
    if (!closed())
        return true;
    noneadmin();
    return false;
}

void AdminGate::noneadmin() const
{
    m_form.context().dialogs.messageBox(
        QStringLiteral("Sorry, You are not Authorized to use this admin function. \r\n"
                       "Please log on as Admin or Sysop for your conference and try again."),
        QStringLiteral("Admin Authorization Required"), MsgButtons::Ok, MsgIcon::Warning);
}

void AdminGate::markEnabled() { setState(kEnabled, controls::kLightGreen); }

void AdminGate::markOverride() { setState(kOverride, controls::kLightGreen); }

void AdminGate::markNoConference() { setState(kNoConference, controls::kRed); }

void AdminGate::markDisabled() { setState(kDisabled, m_designBackColor); }

void AdminGate::setState(const QString &text, int backColor)
{
    // Headless, the journal is where a sysop sees whether the bot may act.
    if (m_form.adminState() != text)
        qCInfo(lcCore).noquote() << QStringLiteral("Admin state: %1").arg(text);
    m_form.setAdminState(text, backColor);
}

} // namespace gavelry
