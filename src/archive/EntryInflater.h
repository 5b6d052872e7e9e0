#pragma once
#include <minizip/unzip.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace archive {

struct ZipFileInfo;

// Reads the open entry's raw data and inflates it here rather than in minizip, so that the
// output is held to the declared size and checked against the CRC; minizip still decrypts and
// bounds the compressed data. Data streams through one buffer, allocated once and reused for
// every entry.
class EntryInflater {
public:
    enum class Outcome { Complete, Corrupt, SinkFailed };
    // Takes each piece of the entry's data; false stops the stream as failed.
    using Sink = std::function<bool(const unsigned char* data, size_t length)>;

    explicit EntryInflater(unzFile file) : m_file(file) { }

    // Streams the current entry (stored or deflated) to `sink`. On Corrupt `why` says what is wrong.
    Outcome stream(const ZipFileInfo& info, const Sink& sink, std::string& why);

private:
    Outcome deliver(const unsigned char* data, size_t length, const Sink& sink, std::string& why);
    Outcome copyStored(const Sink& sink, std::string& why);
    Outcome inflateDeflated(const Sink& sink, std::string& why);

    unzFile m_file;
    std::vector<unsigned char> m_buffer;
    // The entry being streamed: its declared size, and what has come out so far.
    uint64_t m_declared = 0;
    uint64_t m_total = 0;
    unsigned long m_crc = 0;
};

}
