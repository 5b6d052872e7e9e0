#include "archive/ArchiveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

zlib_filefunc64_def ArchiveFile::functions()
{
    zlib_filefunc64_def def {};
    def.zopen64_file = &ArchiveFile::open;
    def.zread_file = &ArchiveFile::read;
    def.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
    def.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return self(stream).m_position; };
    def.zseek64_file = &ArchiveFile::seek;
    def.zclose_file = &ArchiveFile::close;
    def.zerror_file = [](voidpf, voidpf stream) -> int { return self(stream).m_error; };
    return def;
}

voidpf ZCALLBACK ArchiveFile::open(voidpf, const void* filename, int mode)
{
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    const int fd = ::open(static_cast<const char*>(filename), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<ArchiveFile>();
    file->m_fd = fd;
    file->m_size = uint64_t(st.st_size);
    // minizip owns the handle from here until it calls close.
    return file.release();
}

int ZCALLBACK ArchiveFile::close(voidpf, voidpf stream)
{
    std::unique_ptr<ArchiveFile> file(static_cast<ArchiveFile*>(stream));
    return ::close(file->m_fd);
}

long ZCALLBACK ArchiveFile::seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ArchiveFile& file = self(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        file.m_position = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        file.m_position += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        file.m_position = file.m_size + offset;
        return 0;
    default:
        return -1;
    }
}

uLong ZCALLBACK ArchiveFile::read(voidpf, voidpf stream, void* buffer, uLong size)
{
    ArchiveFile& file = self(stream);
    auto* out = static_cast<unsigned char*>(buffer);
    uLong done = 0;
    while (done < size && file.m_position < file.m_size) {
        Window* window = file.windowAt(file.m_position);
        if (!window)
            break;
        const size_t offset = size_t(file.m_position - window->start);
        const size_t count = std::min<uint64_t>(window->length - offset, size - done);
        memcpy(out + done, window->bytes.get() + offset, count);
        done += count;
        file.m_position += count;
    }
    return done;
}

ArchiveFile::Window* ArchiveFile::windowAt(uint64_t position)
{
    ++m_tick;
    for (auto& window : m_windows) {
        if (window.bytes && position >= window.start && position < window.start + window.length) {
            window.lastUse = m_tick;
            return &window;
        }
    }
    Window& window = m_windows[0].lastUse <= m_windows[1].lastUse ? m_windows[0] : m_windows[1];
    if (!window.bytes)
        window.bytes = std::make_unique<unsigned char[]>(kWindow);
    ssize_t n;
    do
        n = pread(m_fd, window.bytes.get(), kWindow, off_t(position));
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        if (n < 0)
            m_error = errno;
        window.length = 0;
        return nullptr;
    }
    window.start = position;
    window.length = size_t(n);
    window.lastUse = m_tick;
    return &window;
}

}
