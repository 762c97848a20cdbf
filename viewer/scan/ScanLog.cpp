#include "ScanLog.h"

Q_LOGGING_CATEGORY(lcScan, "doccam.scan", QtInfoMsg)
