#include "SourcesLog.h"

Q_LOGGING_CATEGORY(lcSources, "doccam.sources", QtWarningMsg)
