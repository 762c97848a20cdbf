#include "TevalLog.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<LogSink> g_sink{nullptr};

} // namespace

void SetLogSink(LogSink sink)
{
    g_sink.store(sink);
}

bool LogEnabled(LogLevel)
{
    // The sink applies its own threshold; messages are only written on failing steps.
    return g_sink.load() != nullptr;
}

void LogMessage(LogLevel level, const char *file, int line, const char *format, ...)
{
    const LogSink sink = g_sink.load();
    if (sink == nullptr) {
        return;
    }
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    sink(level, file, line, message);
}
