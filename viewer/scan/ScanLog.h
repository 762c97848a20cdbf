#pragma once

#include <QLoggingCategory>

// Why a scanning step failed (no page found, a page not stored, a PDF not written, text not
// recognised). Off by default; enable it with QT_LOGGING_RULES="doccam.scan.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScan)
