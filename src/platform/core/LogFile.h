#pragma once
#include "platform/core/Error.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace core {

// An append-only log file that rotates by size: when the next line would take it past the limit,
// NAME becomes NAME.1 (NAME.1 becomes NAME.2, and so on) and the oldest beyond the kept count
// goes, so a long-running window never fills the disk with its log.
class LogFile {
public:
    static constexpr size_t kDefaultLimit = 1024 * 1024;
    static constexpr int kDefaultKept = 3;

    // Creates the file's folder if needed; fails, saying why, when the file cannot be opened.
    static Result<std::shared_ptr<LogFile>> open(const std::string& path, size_t limit = kDefaultLimit,
        int kept = kDefaultKept);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // One whole line, newline included; flushed at once so a crash loses nothing.
    void write(const std::string& line);
    const std::string& path() const { return m_path; }

private:
    LogFile(std::string path, size_t limit, int kept);
    bool reopen();
    void rotate();

    std::mutex m_mutex;
    std::string m_path;
    size_t m_limit;
    int m_kept;
    FILE* m_file = nullptr;
    size_t m_size = 0;
};

}
