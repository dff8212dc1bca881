#include "platform/Shell.h"

#include "platform/Dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace gavelry {

int DesktopShell::open(const QString &target)
{
    const QUrl asUrl(target, QUrl::StrictMode);
    // A one-letter scheme is a drive letter ("C:\notes.txt"), not an address.
    const bool isWebAddress = asUrl.isValid() && asUrl.scheme().size() > 1;
    QUrl url;
    if (isWebAddress) {
        url = asUrl;
    } else {
        const QFileInfo info(target);
        if (!info.absoluteDir().exists())
            return PathNotFound;
        if (!info.exists())
            return FileNotFound;
        url = QUrl::fromLocalFile(info.absoluteFilePath());
    }
    return QDesktopServices::openUrl(url) ? Success : NoAssociation;
}

std::optional<OpenUrlMessage> openUrlMessage(int code, const QString &address)
{
    if (code > 32)
        return std::nullopt;
    if (code == Shell::NoAssociation)
        return OpenUrlMessage{
            QStringLiteral("No Association Found for HTTP Addresses. A Web Browser Should be Installed or Reinstalled."),
            MsgIcon::Warning};
    if (code == Shell::FileNotFound || code == Shell::PathNotFound)
        return OpenUrlMessage{QStringLiteral("The '") + address + QStringLiteral("' File or Path was Not Found."),
                              MsgIcon::Warning};
    // 0 (out of resources) and anything below is a failure too, and is said
    // like every other one rather than passed over in silence.
    return OpenUrlMessage{QStringLiteral("An error occurred attempting to open '") + address
                              + QStringLiteral("' (ShellExecute code ") + QString::number(code) + QStringLiteral(")."),
                          MsgIcon::Critical};
}

int Shell::OpenURL(const QString &address, Dialogs &dialogs, const QString &title)
{
    const int code = open(address);
    if (const std::optional<OpenUrlMessage> message = openUrlMessage(code, address))
        dialogs.messageBox(message->text, title, MsgButtons::Ok, message->icon);
    return code;
}

} // namespace gavelry
