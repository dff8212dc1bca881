#pragma once

#include <QString>

namespace gavelry {

/// What the command line asked for.
struct Options {
    QString client = QStringLiteral("sim");
    QString configDir; ///< empty: the platform's per-user folder
    bool headless = false;
    QString scenario;
    QString transcript;
    double speed = 0; ///< 0: as fast as possible
    QString logDir;   ///< empty: the platform's per-user data folder
    QString webUser;  ///< --web-user: add, remove or list; empty: run the program
    QString webUserName;
    QString webRole;
    QString stateDir; ///< empty: the settings folder
};

} // namespace gavelry
