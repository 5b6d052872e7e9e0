#include "platform/http/OutputStream.h"

#include "platform/http/URLError.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace http {

OutputStream::OutputStream(Kind kind, std::string path, bool append, size_t capacity)
    : m_kind(kind)
    , m_path(std::move(path))
    , m_append(append)
    , m_capacity(capacity)
{
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToFileAtPath(std::string path, bool append)
{
    return std::shared_ptr<OutputStream>(new OutputStream(Kind::File, std::move(path), append, 0));
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToMemory()
{
    return std::shared_ptr<OutputStream>(new OutputStream(Kind::Memory, {}, false, 0));
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToBuffer(size_t capacity)
{
    return std::shared_ptr<OutputStream>(new OutputStream(Kind::Buffer, {}, false, capacity));
}

OutputStream::~OutputStream()
{
    close();
}

void OutputStream::scheduleInRunLoop(core::RunLoop&, const std::string&)
{
}

void OutputStream::removeFromRunLoop(core::RunLoop&, const std::string&)
{
}

void OutputStream::open()
{
    if (m_status != Status::NotOpen)
        return;
    if (m_kind == Kind::File) {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (m_append ? O_APPEND : O_TRUNC);
        m_fd = ::open(m_path.c_str(), flags, 0644);
        if (m_fd < 0) {
            m_error = makePOSIXError(errno);
            m_status = Status::Error;
            return;
        }
    }
    m_status = Status::Open;
}

void OutputStream::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_status == Status::Open || m_status == Status::NotOpen)
        m_status = Status::Closed;
}

bool OutputStream::hasSpaceAvailable() const
{
    return m_status == Status::Open;
}

long OutputStream::write(const uint8_t* buffer, size_t length)
{
    if (m_status != Status::Open)
        return -1;
    switch (m_kind) {
    case Kind::File:
        for (;;) {
            ssize_t n = ::write(m_fd, buffer, length);
            if (n >= 0)
                return static_cast<long>(n);
            if (errno == EINTR)
                continue;
            m_error = makePOSIXError(errno);
            m_status = Status::Error;
            return -1;
        }
    case Kind::Memory:
        m_memory.append(reinterpret_cast<const char*>(buffer), length);
        return static_cast<long>(length);
    case Kind::Buffer: {
        size_t room = m_capacity - m_memory.size();
        size_t n = length < room ? length : room;
        m_memory.append(reinterpret_cast<const char*>(buffer), n);
        return static_cast<long>(n);
    }
    }
    return -1;
}

std::optional<std::string> OutputStream::dataWrittenToMemory() const
{
    if (m_kind == Kind::File)
        return std::nullopt;
    return m_memory;
}

}
