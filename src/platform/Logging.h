#pragma once

#include <QLoggingCategory>

// One logging category per subsystem, so that QT_LOGGING_RULES (and journald
// filters on the category) can pick out one part of the program.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)    // gavelry.platform: client link, files, dialogs
Q_DECLARE_LOGGING_CATEGORY(lcSettings)    // gavelry.settings: the settings files
Q_DECLARE_LOGGING_CATEGORY(lcCore)        // gavelry.core: main window, profiles, tracking, gate
Q_DECLARE_LOGGING_CATEGORY(lcModeration)  // gavelry.moderation: buttons and DTMF commands
Q_DECLARE_LOGGING_CATEGORY(lcEnforcement) // gavelry.enforcement: talk-time limit, slots, schedules
Q_DECLARE_LOGGING_CATEGORY(lcChat)        // gavelry.chat: chat window and canned messages
Q_DECLARE_LOGGING_CATEGORY(lcUtil)        // gavelry.util: web links, About
Q_DECLARE_LOGGING_CATEGORY(lcSim)         // gavelry.sim: the built-in simulator
Q_DECLARE_LOGGING_CATEGORY(lcScenario)    // gavelry.scenario: the scenario runner
