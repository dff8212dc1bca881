#pragma once

#include "Version.h"

#include <QString>

namespace gavelry {

/// The caption every window starts from: product, four blanks, the local
/// callsign, three blanks, "v" and the version; the window adds its suffix.
inline QString windowCaption(const QString &localCallsign, const QString &suffix = QString())
{
    return QString::fromLatin1(kProductName) + QStringLiteral("    ") + localCallsign + QStringLiteral("   v")
        + QString::fromLatin1(kVersionText) + suffix;
}

} // namespace gavelry
