#include "Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace gavelry {

int DesktopShell::open(const QString &target)
{
    const QUrl asUrl(target, QUrl::StrictMode);
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

} // namespace gavelry
