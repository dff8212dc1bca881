#include "Logging.h"

Q_LOGGING_CATEGORY(lcPlatform, "gavelry.platform")
Q_LOGGING_CATEGORY(lcSettings, "gavelry.settings")
Q_LOGGING_CATEGORY(lcCore, "gavelry.core")
Q_LOGGING_CATEGORY(lcModeration, "gavelry.moderation")
Q_LOGGING_CATEGORY(lcEnforcement, "gavelry.enforcement")
Q_LOGGING_CATEGORY(lcChat, "gavelry.chat")
Q_LOGGING_CATEGORY(lcUtil, "gavelry.util")
Q_LOGGING_CATEGORY(lcSim, "gavelry.sim")
Q_LOGGING_CATEGORY(lcScenario, "gavelry.scenario")
