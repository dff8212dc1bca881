#pragma once

#include <QLoggingCategory>

// The program's logging categories, so that QT_LOGGING_RULES (and journald
// filters on the category) can pick out one kind of message. Only categories
// something logs to are declared here.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)    // gavelry.settings: settings files and values not taken
Q_DECLARE_LOGGING_CATEGORY(lcCore)        // gavelry.core: what the main window's status line reports, and its admin state
Q_DECLARE_LOGGING_CATEGORY(lcModeration)  // gavelry.moderation: the moderation log's entries
