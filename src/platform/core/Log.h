#pragma once
#include <cstdarg>
#include <functional>
#include <memory>
#include <string>

namespace core {

class Clock;

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// One unlevelled line to stderr: "<local time with ms> beatstrip[<pid>] <message>".
void log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logMessage(const std::string& message);

// Where log lines also go (tests read them back); returns the previous sink.
using LogSink = std::function<void(const std::string& message)>;
LogSink setLogSink(LogSink sink);
// Whether lines still reach stderr while a sink is set (tests keep their output quiet).
void setLogToStderr(bool enabled);
// The clock whose time stamps the lines; a manual clock stamps the clock's time. Null: wall time.
void setLogClock(std::shared_ptr<Clock> clock);

}
