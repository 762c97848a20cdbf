#include "AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "doccam.app", QtInfoMsg)
