#pragma once
#include <cstdarg>
#include <functional>
#include <memory>
#include <string>

namespace core {

class Clock;
class LogFile;

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// One unlevelled line to stderr (and the log file, when one is set):
// "<local time with ms> beatstrip[<pid>] <message>".
void log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logMessage(const std::string& message);

// Where log lines also go (tests read them back); returns the previous sink.
using LogSink = std::function<void(const std::string& message)>;
LogSink setLogSink(LogSink sink);
// Whether lines reach stderr (on by default; tests and the quiet window turn it off).
void setLogToStderr(bool enabled);
// A file that also receives every whole line (the window's log); null stops it.
void setLogFile(std::shared_ptr<LogFile> file);
// The clock whose time stamps the lines; a manual clock stamps the clock's time. Null: wall time.
void setLogClock(std::shared_ptr<Clock> clock);

}
