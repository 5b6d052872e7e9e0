#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace score {

// Decodes the UTF-8 sequence at p (already validated, or a caller's argument where a stray byte
// stands for itself). Returns its length.
inline size_t decodeUTF8(const unsigned char* p, const unsigned char* end, char32_t& codePoint)
{
    unsigned char c = p[0];
    size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (length > size_t(end - p))
        length = 1;
    if (length == 1) {
        codePoint = c;
        return 1;
    }
    codePoint = c & (0x7F >> length);
    for (size_t i = 1; i < length; ++i)
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    return length;
}

// The song reader's separators and trimmed characters: a set of code points with a table for the
// ASCII ones, which is all a song file uses.
class CharacterSet {
public:
    explicit CharacterSet(std::string_view characters);

    bool onlyAscii() const { return m_other.empty(); }
    // The one member, when the set is a single ASCII character (a comma, as songs use).
    std::optional<unsigned char> single() const { return m_single; }
    bool ascii(unsigned char c) const { return m_ascii[c]; }

    // Length of the member character starting at p, or 0 when the character there is not one.
    size_t matchAt(const unsigned char* p, const unsigned char* end) const
    {
        if (*p < 0x80)
            return m_ascii[*p] ? 1 : 0;
        if (m_other.empty())
            return 0;
        char32_t c;
        size_t length = decodeUTF8(p, end, c);
        for (char32_t member : m_other) {
            if (member == c)
                return length;
        }
        return 0;
    }

    std::string_view trim(std::string_view text) const
    {
        auto begin = reinterpret_cast<const unsigned char*>(text.data());
        auto end = begin + text.size();
        while (begin < end) {
            size_t n = matchAt(begin, end);
            if (!n)
                break;
            begin += n;
        }
        while (end > begin) {
            auto last = end - 1;
            while (last > begin && (*last & 0xC0) == 0x80)
                --last;
            if (!matchAt(last, end))
                break;
            end = last;
        }
        return std::string_view(reinterpret_cast<const char*>(begin), size_t(end - begin));
    }

private:
    std::array<bool, 128> m_ascii {};
    std::vector<char32_t> m_other;
    std::optional<unsigned char> m_single;
};

}
