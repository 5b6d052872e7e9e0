#include "platform/core/Log.h"

#include "platform/core/Clock.h"
#include "platform/core/LogFile.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <unistd.h>

namespace core {

namespace {
std::mutex g_logMutex;
LogSink g_sink;
bool g_toStderr = true;
std::shared_ptr<Clock> g_clock;
std::shared_ptr<LogFile> g_file;
}

std::string vformat(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, n);
    std::string out(n, '\0');
    vsnprintf(out.data(), n + 1, fmt, args);
    return out;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string s = vformat(fmt, args);
    va_end(args);
    return s;
}

static std::string timeStamp(const std::shared_ptr<Clock>& clock)
{
    char buf[64];
    if (clock && clock->isManual()) {
        double t = clock->now();
        long whole = static_cast<long>(t);
        int ms = static_cast<int>((t - static_cast<double>(whole)) * 1000 + 0.5);
        if (ms == 1000) { whole++; ms = 0; }
        snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld.%03d", whole / 3600, (whole / 60) % 60, whole % 60, ms);
        return buf;
    }
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm {};
    localtime_r(&secs, &tm);
    size_t n = strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    snprintf(buf + n, sizeof buf - n, ".%03d", ms);
    return buf;
}

void logMessage(const std::string& message)
{
    LogSink sink;
    bool toStderr;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<LogFile> file;
    {
        std::lock_guard lock(g_logMutex);
        sink = g_sink;
        toStderr = g_toStderr;
        clock = g_clock;
        file = g_file;
    }
    if (toStderr || file) {
        std::string line = timeStamp(clock) + " beatstrip[" + std::to_string(getpid()) + "] " + message + "\n";
        if (toStderr)
            fwrite(line.data(), 1, line.size(), stderr);
        if (file)
            file->write(line);
    }
    if (sink)
        sink(message);
}

void log(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string s = vformat(fmt, args);
    va_end(args);
    logMessage(s);
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(g_logMutex);
    std::swap(g_sink, sink);
    return sink;
}

void setLogToStderr(bool enabled)
{
    std::lock_guard lock(g_logMutex);
    g_toStderr = enabled;
}

void setLogFile(std::shared_ptr<LogFile> file)
{
    std::lock_guard lock(g_logMutex);
    g_file = std::move(file);
}

void setLogClock(std::shared_ptr<Clock> clock)
{
    std::lock_guard lock(g_logMutex);
    g_clock = std::move(clock);
}

}
