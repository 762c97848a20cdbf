#include "SourcesLog.h"

Q_LOGGING_CATEGORY(lcSources, "doccam.sources", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLive, "doccam.live", QtWarningMsg)
