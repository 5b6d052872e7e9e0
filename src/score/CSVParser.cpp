#include "score/CSVParser.h"

#include "score/CharacterSet.h"
#include "score/RowBlock.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace score {

namespace {

std::string trimCharacters(std::optional<std::string_view> quote)
{
    std::string characters(quote.value_or(std::string_view()));
    characters += "\n\r ";
    return characters;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUTF8(const unsigned char* p, const unsigned char* end)
{
    while (p < end) {
        // Song files are ASCII almost throughout: test eight bytes at a time.
        while (end - p >= 8) {
            uint64_t word;
            memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        size_t length;
        char32_t min;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            min = 0x10000;
        } else {
            return false;
        }
        if (size_t(end - p) < length)
            return false;
        char32_t codePoint = c & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i] & 0x3F);
        }
        if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Calls onLine for every carriage-return-ended line of the file and for the text after the last
// one, reading the file a chunk at a time so a large song never sits in memory twice. False when
// the file cannot be read or is not UTF-8 (lines already delivered are then to be thrown away).
template<typename OnLine>
bool forEachLine(const std::string& path, size_t& fileSize, OnLine&& onLine)
{
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    struct stat info;
    if (fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    fileSize = S_ISREG(info.st_mode) ? size_t(info.st_size) : 0;

    constexpr size_t chunkSize = size_t(1) << 20;
    std::string buffer;
    auto chunk = std::make_unique<char[]>(chunkSize);
    bool atStart = true;
    bool atEnd = false;
    while (!atEnd) {
        ssize_t got;
        do
            got = read(fd.get(), chunk.get(), chunkSize);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return false;
        buffer.append(chunk.get(), size_t(got));
        atEnd = got == 0;
        if (atStart && (buffer.size() >= 3 || atEnd)) {
            // Spreadsheet programs write a byte-order mark; left in, it would rename the first column.
            if (buffer.compare(0, 3, "\xEF\xBB\xBF") == 0)
                buffer.erase(0, 3);
            atStart = false;
        }
        if (atStart)
            continue;

        auto begin = reinterpret_cast<const unsigned char*>(buffer.data());
        auto end = begin + buffer.size();
        // Whole lines only until the end of the file; a carriage return is never inside a
        // multibyte sequence, so each region validates on its own.
        const unsigned char* regionEnd = end;
        if (!atEnd) {
            // What was kept from before holds no line end: search only the bytes just read, so a
            // very long line costs linear time.
            size_t fresh = std::min(buffer.size(), size_t(got));
            auto lastBreak = static_cast<const unsigned char*>(memrchr(end - fresh, '\r', fresh));
            if (!lastBreak)
                continue;
            regionEnd = lastBreak + 1;
        }
        if (!isValidUTF8(begin, regionEnd))
            return false;
        auto line = begin;
        while (true) {
            auto lineEnd = static_cast<const unsigned char*>(memchr(line, '\r', size_t(regionEnd - line)));
            if (!lineEnd) {
                if (atEnd)
                    onLine(std::string_view(reinterpret_cast<const char*>(line), size_t(regionEnd - line)));
                break;
            }
            onLine(std::string_view(reinterpret_cast<const char*>(line), size_t(lineEnd - line)));
            line = lineEnd + 1;
            if (line == regionEnd && !atEnd)
                break;
        }
        buffer.erase(0, size_t(regionEnd - begin));
    }
    return true;
}

// splitLine for a separator of one byte: sixteen bytes are compared at a time and the separators
// found there taken one after another, rather than testing every byte of every field.
template<typename OnField>
size_t splitLineOnByte(std::string_view line, unsigned char separator, const CharacterSet& trimSet, OnField&& onField)
{
    auto begin = reinterpret_cast<const unsigned char*>(line.data());
    auto end = begin + line.size();
    size_t index = 0;
    auto start = begin;
    auto fieldEndingAt = [&](const unsigned char* stop) {
        onField(index++, trimSet.trim(std::string_view(reinterpret_cast<const char*>(start), size_t(stop - start))));
        start = stop + 1;
    };
    auto block = begin;
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi8(static_cast<char>(separator));
    for (; end - block >= 16; block += 16) {
        auto bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, needle)));
        for (; mask; mask &= mask - 1)
            fieldEndingAt(block + __builtin_ctz(mask));
    }
#endif
    for (; block < end; ++block) {
        if (*block == separator)
            fieldEndingAt(block);
    }
    onField(index++, trimSet.trim(std::string_view(reinterpret_cast<const char*>(start), size_t(end - start))));
    return index;
}

// Calls onField(index, trimmed text) for each field of the line; returns the number of fields.
template<typename OnField>
size_t splitLine(std::string_view line, const CharacterSet& separators, const CharacterSet& trimSet, OnField&& onField)
{
    if (auto separator = separators.single())
        return splitLineOnByte(line, *separator, trimSet, std::forward<OnField>(onField));
    auto p = reinterpret_cast<const unsigned char*>(line.data());
    auto end = p + line.size();
    size_t index = 0;
    while (true) {
        auto start = p;
        size_t separatorLength = 0;
        if (separators.onlyAscii()) {
            while (p < end && !(*p < 0x80 && separators.ascii(*p)))
                ++p;
            separatorLength = 1;
        } else {
            while (p < end && !(separatorLength = separators.matchAt(p, end)))
                ++p;
        }
        onField(index++, trimSet.trim(std::string_view(reinterpret_cast<const char*>(start), size_t(p - start))));
        if (p == end)
            return index;
        p += separatorLength;
    }
}

}

std::optional<std::vector<ScoreRow>> CSVParser::parseCSVIntoArrayOfDictionariesFromFile(const std::string& path,
    std::string_view separatorString, std::optional<std::string_view> quote)
{
    CharacterSet separators(separatorString);
    CharacterSet trimSet(trimCharacters(quote));
    std::vector<ScoreRow> rows;
    std::shared_ptr<const ScoreHeader> header;
    std::shared_ptr<RowBlock> block;
    uint32_t columns = 0;
    bool fits = true;
    size_t fileSize = 0;
    size_t padding = 0;
    constexpr size_t paddingAllowance = size_t(1) << 20;

    bool read = forEachLine(path, fileSize, [&](std::string_view line) {
        if (!header) {
            std::vector<std::string> names;
            splitLine(line, separators, trimSet, [&](size_t, std::string_view field) { names.emplace_back(field); });
            header = ScoreHeader::create(std::move(names));
            columns = header->fieldCount();
            // Song lines are rarely shorter than this; untouched capacity costs no memory.
            rows.reserve(fileSize / 24 + 16);
            return;
        }
        if (trimSet.trim(line).empty() || !fits)
            return;
        if (!block || block->full() || !block->canTake(line.size())) {
            if (!RowBlock(header).canTake(line.size())) {
                // A single line past 4 GiB: no song, and more than the offsets can address.
                fits = false;
                return;
            }
            block = std::make_shared<RowBlock>(header);
            block->reserve(RowBlock::targetTextBytes + 4096, 0);
        }
        // Fields are copied straight into the block; a line's fields never exceed the line.
        auto room = block->reserveRow(line.size());
        char* out = room.text;
        uint32_t* ends = room.ends;
        size_t count = splitLine(line, separators, trimSet, [&](size_t index, std::string_view field) {
            if (index >= columns)
                return;
            for (char c : field)
                *out++ = c;
            *ends++ = room.offset + uint32_t(out - room.text);
        });
        if (count < columns) {
            // Every missing field costs an offset: a very wide header over short lines would
            // otherwise need memory far beyond the file's size, so such a file is refused.
            padding += columns - count;
            if (padding > fileSize + paddingAllowance) {
                fits = false;
                block->commitRow(room, size_t(out - room.text));
                return;
            }
            for (size_t i = count; i < columns; ++i)
                *ends++ = room.offset + uint32_t(out - room.text);
        }
        rows.emplace_back(block, block->commitRow(room, size_t(out - room.text)));
    });
    if (!read || !fits)
        return std::nullopt;
    return rows;
}

std::optional<std::vector<std::vector<std::string>>> CSVParser::parseCSVIntoArrayOfArraysFromFile(const std::string& path,
    std::string_view separatorString, std::optional<std::string_view> quote)
{
    CharacterSet separators(separatorString);
    CharacterSet trimSet(trimCharacters(quote));
    std::vector<std::vector<std::string>> records;
    size_t fileSize = 0;
    bool read = forEachLine(path, fileSize, [&](std::string_view line) {
        auto& record = records.emplace_back();
        splitLine(line, separators, trimSet, [&](size_t, std::string_view field) { record.emplace_back(field); });
    });
    if (!read)
        return std::nullopt;
    return records;
}

std::vector<std::string> CSVParser::trimComponents(const std::vector<std::string>& components, std::string_view characters)
{
    CharacterSet trimSet(characters);
    std::vector<std::string> trimmed;
    trimmed.reserve(components.size());
    for (const auto& component : components)
        trimmed.emplace_back(trimSet.trim(component));
    return trimmed;
}

}
