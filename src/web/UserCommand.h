#pragma once

#include <QString>

#include <cstdio>

namespace gavelry::web {

/// gavelry --web-user add NAME --role viewer|operator | remove NAME | list.
/// The password of "add" is asked twice at a terminal (not echoed), or read
/// as one line from standard input when that is no terminal. Returns the
/// exit code: 0 done, 1 refused or failed.
int runUserCommand(const QString &action, const QString &name, const QString &role, const QString &configDir,
                   FILE *in = stdin, FILE *out = stdout, FILE *err = stderr);

} // namespace gavelry::web
