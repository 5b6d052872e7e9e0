#include "platform/core/LogFile.h"

#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace core {

LogFile::LogFile(std::string path, size_t limit, int kept)
    : m_path(std::move(path))
    , m_limit(limit)
    , m_kept(kept < 0 ? 0 : kept)
{
}

LogFile::~LogFile()
{
    if (m_file)
        fclose(m_file);
}

Result<std::shared_ptr<LogFile>> LogFile::open(const std::string& path, size_t limit, int kept)
{
    std::string folder = paths::stringByDeletingLastPathComponent(path);
    if (!folder.empty())
        files::createDirectoryAtPath(folder, true);
    std::shared_ptr<LogFile> file(new LogFile(path, limit, kept));
    if (!file->reopen()) {
        int code = errno;
        return Error::make("LogFile", code, "cannot write the log file " + path + ": " + strerror(code));
    }
    // A previous run may have left it full.
    if (file->m_size >= limit)
        file->rotate();
    return file;
}

bool LogFile::reopen()
{
    if (m_file)
        fclose(m_file);
    m_file = fopen(m_path.c_str(), "a");
    if (!m_file)
        return false;
    struct stat info {};
    m_size = fstat(fileno(m_file), &info) == 0 ? static_cast<size_t>(info.st_size) : 0;
    return true;
}

void LogFile::rotate()
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
    auto numbered = [this](int n) { return m_path + "." + std::to_string(n); };
    if (m_kept == 0) {
        ::remove(m_path.c_str());
    } else {
        ::remove(numbered(m_kept).c_str());
        for (int n = m_kept - 1; n >= 1; n--)
            ::rename(numbered(n).c_str(), numbered(n + 1).c_str());
        ::rename(m_path.c_str(), numbered(1).c_str());
    }
    reopen();
}

void LogFile::write(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    if (m_size > 0 && m_size + line.size() > m_limit)
        rotate();
    // A failed reopen after rotating is retried, so a passing fault does not end the log.
    if (!m_file && !reopen())
        return;
    fwrite(line.data(), 1, line.size(), m_file);
    fflush(m_file);
    m_size += line.size();
}

}
