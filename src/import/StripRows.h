#pragma once
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

namespace import {

struct Rgb {
    int r, g, b;
};

// Appends the rows of a song file straight into the song's text. A song of many notes has
// hundreds of thousands of fields, so a row is written through a bare pointer kept in a register:
// room for the whole row is made once, each field is written by hand and followed by its comma,
// and the row's last comma becomes its line end. Parts of rows that repeat (a note's colour, the
// top of its pitch row, its pitch name) are made once as pieces and copied whole. The class lives
// in its header so that the field writers are inlined into the rows (a call would cost as much as
// the field). Only the strip writer, its note rows (StripNotes) and its tests write rows with it.
#define BEATSTRIP_INLINE [[gnu::always_inline]] inline

namespace stripdigits {
constexpr std::array<char, 200> digitPairs()
{
    std::array<char, 200> text {};
    for (int i = 0; i < 100; ++i) {
        text[size_t(2 * i)] = char('0' + i / 10);
        text[size_t(2 * i + 1)] = char('0' + i % 10);
    }
    return text;
}
// "00" to "99".
inline constexpr std::array<char, 200> kPairs = digitPairs();
}

class StripRows {
public:
    // Text made once and copied into many rows. Short ones are copied as a whole slot, one
    // fixed-size copy instead of one of their length: rows leave a slot's room after their end.
    class Piece {
    public:
        static constexpr size_t slot = 32;

        Piece() = default;
        explicit Piece(std::string_view text) : m_size(text.size())
        {
            if (m_size <= slot)
                std::memcpy(m_slot, text.data(), m_size);
            else
                m_long.assign(text);
        }
        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        BEATSTRIP_INLINE char* put(char* at) const
        {
            if (m_size <= slot) [[likely]] {
                std::memcpy(at, m_slot, slot);
                return at + m_size;
            }
            std::memcpy(at, m_long.data(), m_size);
            return at + m_size;
        }

    private:
        char m_slot[slot] {};
        size_t m_size = 0;
        std::string m_long;
    };

    // The most a number field takes with its comma: a decimal in its shortest form.
    static constexpr size_t numberRoom = 41;

    explicit StripRows(std::string& out) : m_out(out), m_used(out.size()) { }
    // Cuts the text where the last row ends.
    void finish() { m_out.resize(m_used); }
    StripRows(const StripRows&) = delete;
    StripRows& operator=(const StripRows&) = delete;

    // Where a row of at most `most` characters starts; its end goes back to close().
    BEATSTRIP_INLINE char* open(size_t most)
    {
        if (m_out.size() - m_used < most + Piece::slot) [[unlikely]]
            grow(most + Piece::slot);
        return m_out.data() + m_used;
    }
    BEATSTRIP_INLINE void close(char* end) { m_used = size_t(end - m_out.data()); }

    // Field writers: each writes its field and the comma after it, and returns where the next
    // field goes.
    BEATSTRIP_INLINE static char* text(char* at, std::string_view value)
    {
        std::memcpy(at, value.data(), value.size());
        at += value.size();
        *at++ = ',';
        return at;
    }
    BEATSTRIP_INLINE static char* integer(char* at, long value)
    {
        at = writeInteger(at, value);
        *at++ = ',';
        return at;
    }
    // Points written as half points, the shortest exact text up to three decimals.
    BEATSTRIP_INLINE static char* half(char* at, double points) { return decimal(at, points * 2); }
    BEATSTRIP_INLINE static char* decimal(char* at, double value)
    {
        at = writeDecimal(at, value);
        *at++ = ',';
        return at;
    }
    // The row's last comma becomes its line end.
    BEATSTRIP_INLINE static char* end(char* at)
    {
        at[-1] = '\r';
        return at;
    }

    // A drawn item: a note block, band, line or label.
    void block(std::string_view channel, Rgb colour, double x, double y, double w, double h, std::string_view flipView,
        std::string_view riseFall, std::string_view sharpFlat, Rgb mark, int z, std::string_view content, std::string_view pitch)
    {
        char* at = open(channel.size() + flipView.size() + riseFall.size() + sharpFlat.size() + content.size() + pitch.size()
            + 11 * numberRoom);
        at = text(at, channel);
        at = integer(at, colour.r), at = integer(at, colour.g), at = integer(at, colour.b);
        at = half(at, x), at = half(at, y), at = half(at, w), at = half(at, h);
        at = text(at, flipView), at = text(at, riseFall), at = text(at, sharpFlat);
        at = integer(at, mark.r), at = integer(at, mark.g), at = integer(at, mark.b);
        at = integer(at, z);
        at = text(at, content), at = text(at, pitch);
        close(end(at));
    }

    void label(std::string_view channel, double x, double y, double w, std::string_view content, std::string_view fontQuarter,
        int z = 4, Rgb colour = { 0, 0, 0 })
    {
        block(channel, colour, x, y, w, 0, fontQuarter, "", "", { 0, 0, 0 }, z, content, "");
    }

    // A piece of row text made with the field writers, for rows to copy whole.
    template <typename Fields>
    static Piece piece(size_t most, Fields fields)
    {
        char small[256];
        std::string large(most > sizeof small ? most : 0, '\0');
        char* start = most > sizeof small ? large.data() : small;
        char* end = fields(start);
        return Piece(std::string_view(start, size_t(end - start)));
    }

private:
    // A slice at a time: what is grown is filled in first, and the rows overwrite it.
    void grow(size_t count) { m_out.resize(m_out.size() + std::max<size_t>(count, 64 * 1024)); }

public:
    // Below a billion, nearly all of them: the digits counted first, then written two at a time
    // from the right.
    BEATSTRIP_INLINE static char* writeSmall(char* at, uint32_t value)
    {
        int count = value < 10 ? 1
            : value < 100      ? 2
            : value < 1000     ? 3
            : value < 10000    ? 4
            : value < 100000   ? 5
            : value < 1000000  ? 6
            : value < 10000000 ? 7
            : value < 100000000 ? 8
                                : 9;
        char* end = at + count;
        char* digit = end;
        while (value >= 100) {
            uint32_t rest = value / 100;
            digit -= 2;
            std::memcpy(digit, &stripdigits::kPairs[2 * (value - rest * 100)], 2);
            value = rest;
        }
        if (value >= 10)
            std::memcpy(digit - 2, &stripdigits::kPairs[2 * value], 2);
        else
            digit[-1] = char('0' + value);
        return end;
    }

    BEATSTRIP_INLINE static char* writeInteger(char* at, long value)
    {
        if (value >= 0 && value < 1000000000) [[likely]]
            return writeSmall(at, uint32_t(value));
        return std::to_chars(at, at + 24, value).ptr;
    }

    BEATSTRIP_INLINE static char* writeDecimal(char* at, double value)
    {
        // Most values are whole: positions of notes and beats on the grid.
        if (value >= 0 && value < 1e9) {
            auto whole = uint32_t(value);
            if (double(whole) == value) [[likely]]
                return writeSmall(at, whole);
        }
        return writeFraction(at, value);
    }

    // The rest: whole numbers from a billion, and fractions, which are rounded to three decimals
    // with the trailing zeros cut. Needs 40 characters of room.
    [[gnu::noinline]] static char* writeFraction(char* at, double value)
    {
        if (value >= 0 && value < 1e15) {
            auto whole = long(value);
            if (double(whole) == value)
                return writeInteger(at, whole);
        }
        double rounded = std::round(value);
        if (std::fabs(value - rounded) < 1e-9 && std::fabs(value) < 1e15)
            return writeInteger(at, long(rounded));
        auto [end, error] = std::to_chars(at, at + 39, value, std::chars_format::fixed, 3);
        if (error != std::errc()) // beyond any strip: the shortest form, which always fits
            return std::to_chars(at, at + 39, value).ptr;
        while (end > at && end[-1] == '0')
            --end;
        if (end > at && end[-1] == '.')
            --end;
        return end;
    }

private:
    std::string& m_out;
    size_t m_used;
};

#undef BEATSTRIP_INLINE

}
