#include "terminal_log.h"

Q_LOGGING_CATEGORY(lcTerminal, "kelvara.terminal", QtWarningMsg)
