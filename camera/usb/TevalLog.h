#pragma once

#include <cstdarg>

// The library's debug log. The plain layers (transports, commands, simulated camera) write
// through it; the GStreamer binding sets the sink that forwards to its debug category, so
// these layers need no GStreamer headers. Without a sink nothing is written.
enum class LogLevel { Error = 1, Warning = 2, Info = 4, Debug = 5 };

using LogSink = void (*)(LogLevel level, const char *file, int line, const char *message);

void SetLogSink(LogSink sink);
// Whether a message of that level would go anywhere (formatting is skipped otherwise).
bool LogEnabled(LogLevel level);
void LogMessage(LogLevel level, const char *file, int line, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

#define TEVAL_LOG(level, ...)                                                                      \
    do {                                                                                           \
        if (LogEnabled(level))                                                                     \
            LogMessage(level, __FILE__, __LINE__, __VA_ARGS__);                                    \
    } while (false)
#define TEVAL_WARNING(...) TEVAL_LOG(LogLevel::Warning, __VA_ARGS__)
#define TEVAL_INFO(...) TEVAL_LOG(LogLevel::Info, __VA_ARGS__)
#define TEVAL_DEBUG(...) TEVAL_LOG(LogLevel::Debug, __VA_ARGS__)
