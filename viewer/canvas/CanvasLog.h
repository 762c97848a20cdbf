#pragma once

#include <QLoggingCategory>

// Why a canvas step failed (a snapshot not written). Off by default; enable it with
// QT_LOGGING_RULES="doccam.canvas.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCanvas)
