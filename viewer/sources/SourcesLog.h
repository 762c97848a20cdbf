#pragma once

#include <QLoggingCategory>

// Graph builds and teardowns, bus errors with their text, the devices chosen. Off by default:
// QT_LOGGING_RULES="doccam.sources.debug=true" shows them.
Q_DECLARE_LOGGING_CATEGORY(lcSources)
// The live source: presence changes, graph builds, recordings started, ended and refused.
Q_DECLARE_LOGGING_CATEGORY(lcLive)
