#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcSettings, "gavelry.settings")
Q_LOGGING_CATEGORY(lcCore, "gavelry.core")
Q_LOGGING_CATEGORY(lcModeration, "gavelry.moderation")
