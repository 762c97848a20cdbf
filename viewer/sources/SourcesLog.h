#pragma once

#include <QLoggingCategory>

// Why a step of the media sources failed; off by default (QT_LOGGING_RULES="doccam.sources=true").
Q_DECLARE_LOGGING_CATEGORY(lcSources)
