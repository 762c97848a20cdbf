#pragma once

#include <QLoggingCategory>

// Why a command of the main window or a start-up step did not do what was asked. Off by
// default; enable it with QT_LOGGING_RULES="doccam.app.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
