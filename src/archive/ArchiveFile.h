#pragma once
#include <minizip/ioapi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace archive {

// The archive as minizip reads it: positioned reads through two cached windows, one that stays on
// the central directory while the other follows the entry data. minizip seeks for nearly every
// header field; over stdio each of those seeks was a system call.
class ArchiveFile {
public:
    // minizip's file functions over this class. Read only: opening for writing fails, and so does
    // opening anything but a regular file.
    static zlib_filefunc64_def functions();

private:
    static constexpr size_t kWindow = 64 * 1024;

    struct Window {
        uint64_t start = 0;
        size_t length = 0;
        uint64_t lastUse = 0;
        std::unique_ptr<unsigned char[]> bytes;
    };

    static ArchiveFile& self(voidpf stream) { return *static_cast<ArchiveFile*>(stream); }
    static voidpf ZCALLBACK open(voidpf, const void* filename, int mode);
    static int ZCALLBACK close(voidpf, voidpf stream);
    static long ZCALLBACK seek(voidpf, voidpf stream, ZPOS64_T offset, int origin);
    static uLong ZCALLBACK read(voidpf, voidpf stream, void* buffer, uLong size);

    Window* windowAt(uint64_t position);

    int m_fd = -1;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    uint64_t m_tick = 0;
    int m_error = 0;
    Window m_windows[2];
};

}
