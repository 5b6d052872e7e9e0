#include "archive/EntryInflater.h"

#include "archive/ZipArchiveDelegate.h"

#include <zlib.h>

namespace archive {

namespace {

// Deflated entries use the buffer's first half for compressed input and its second half for output.
constexpr size_t kBufferSize = 256 * 1024;

}

EntryInflater::Outcome EntryInflater::stream(const ZipFileInfo& info, const Sink& sink, std::string& why)
{
    if (m_buffer.empty())
        m_buffer.assign(kBufferSize, 0);
    m_declared = info.uncompressed_size;
    m_total = 0;
    m_crc = crc32(0, nullptr, 0);

    const Outcome outcome = info.compression_method == 0 ? copyStored(sink, why) : inflateDeflated(sink, why);
    if (outcome != Outcome::Complete)
        return outcome;
    if (m_total != m_declared) {
        why = "it holds less data than it declares";
        return Outcome::Corrupt;
    }
    if (uint32_t(m_crc) != info.crc) {
        why = "its CRC does not match";
        return Outcome::Corrupt;
    }
    return Outcome::Complete;
}

EntryInflater::Outcome EntryInflater::deliver(const unsigned char* data, size_t length, const Sink& sink, std::string& why)
{
    if (m_total + length > m_declared) {
        why = "it holds more data than it declares";
        return Outcome::Corrupt;
    }
    m_crc = crc32(m_crc, data, uInt(length));
    m_total += length;
    return sink(data, length) ? Outcome::Complete : Outcome::SinkFailed;
}

EntryInflater::Outcome EntryInflater::copyStored(const Sink& sink, std::string& why)
{
    for (;;) {
        const int n = unzReadCurrentFile(m_file, m_buffer.data(), unsigned(m_buffer.size()));
        if (n < 0) {
            why = "its data cannot be read";
            return Outcome::Corrupt;
        }
        if (n == 0)
            return Outcome::Complete;
        const Outcome step = deliver(m_buffer.data(), size_t(n), sink, why);
        if (step != Outcome::Complete)
            return step;
    }
}

EntryInflater::Outcome EntryInflater::inflateDeflated(const Sink& sink, std::string& why)
{
    const size_t half = m_buffer.size() / 2;
    unsigned char* in = m_buffer.data();
    unsigned char* out = m_buffer.data() + half;
    z_stream zs {};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
        why = "it cannot be inflated";
        return Outcome::Corrupt;
    }
    bool inputDone = false;
    Outcome outcome = Outcome::Complete;
    for (;;) {
        if (zs.avail_in == 0 && !inputDone) {
            const int n = unzReadCurrentFile(m_file, in, unsigned(half));
            if (n < 0) {
                why = "its data cannot be read";
                outcome = Outcome::Corrupt;
                break;
            }
            inputDone = n == 0;
            zs.next_in = in;
            zs.avail_in = unsigned(n);
        }
        zs.next_out = out;
        zs.avail_out = unsigned(half);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            why = "its data does not inflate";
            outcome = Outcome::Corrupt;
            break;
        }
        const size_t produced = half - zs.avail_out;
        if (produced > 0) {
            outcome = deliver(out, produced, sink, why);
            if (outcome != Outcome::Complete)
                break;
        }
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_BUF_ERROR && inputDone) {
            why = "its data ends early";
            outcome = Outcome::Corrupt;
            break;
        }
    }
    inflateEnd(&zs);
    return outcome;
}

}
