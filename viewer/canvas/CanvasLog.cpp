#include "CanvasLog.h"

Q_LOGGING_CATEGORY(lcCanvas, "doccam.canvas", QtInfoMsg)
