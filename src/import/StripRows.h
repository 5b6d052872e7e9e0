#pragma once
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace import {

struct Rgb {
    int r, g, b;
};

// Appends the rows of a song file field by field, in the header's column order, straight into the
// song's text. A song of many notes has hundreds of thousands of fields, so each is written by
// hand, without a call per character or a check per append; the class lives in its header so
// that the writers of single fields are inlined into the rows (a call would cost as much as the
// field). Only the strip writer includes it.
#define BEATSTRIP_INLINE [[gnu::always_inline]] inline


class StripRows {
public:
    explicit StripRows(std::string& out) : m_out(out), m_used(out.size()) { }
    // Cuts the text where the last row ends.
    void finish() { m_out.resize(m_used); }
    StripRows(const StripRows&) = delete;
    StripRows& operator=(const StripRows&) = delete;

    BEATSTRIP_INLINE void text(std::string_view value)
    {
        char* at = room(value.size() + 1);
        if (m_column++)
            *at++ = ',';
        for (char c : value)
            *at++ = c;
        m_used = size_t(at - m_out.data());
    }
    BEATSTRIP_INLINE void integer(long value)
    {
        char* at = room(24);
        if (m_column++)
            *at++ = ',';
        m_used = size_t(writeInteger(at, value) - m_out.data());
    }
    // Points written as half points, the shortest exact text up to three decimals.
    BEATSTRIP_INLINE void half(double points) { decimal(points * 2); }
    BEATSTRIP_INLINE void decimal(double value)
    {
        char* at = room(40);
        if (m_column++)
            *at++ = ',';
        m_used = size_t(writeDecimal(at, value) - m_out.data());
    }
    BEATSTRIP_INLINE void end()
    {
        *room(1) = '\r';
        ++m_used;
        m_column = 0;
    }

    // A drawn item: a note block, band, line or label.
    void block(std::string_view channel, Rgb colour, double x, double y, double w, double h, std::string_view flipView,
        std::string_view riseFall, std::string_view sharpFlat, Rgb mark, int z, std::string_view content, std::string_view pitch)
    {
        text(channel);
        integer(colour.r), integer(colour.g), integer(colour.b);
        half(x), half(y), half(w), half(h);
        text(flipView), text(riseFall), text(sharpFlat);
        integer(mark.r), integer(mark.g), integer(mark.b);
        integer(z);
        text(content), text(pitch);
        end();
    }

    // A note block: as a block with the letter's colour as text, white marks, z-level 3 and no
    // content; notes are most of a song's rows.
    // Its top and height come as text too: they depend only on the pitch row.
    void note(std::string_view channel, std::string_view colour, double x, std::string_view y, double w, std::string_view h,
        std::string_view flipView, std::string_view riseFall, std::string_view sharpFlat, std::string_view pitch)
    {
        text(channel), text(colour);
        half(x), text(y), half(w), text(h);
        text(flipView), text(riseFall), text(sharpFlat);
        text("255,255,255,3,");
        text(pitch);
        end();
    }

    void label(std::string_view channel, double x, double y, double w, std::string_view content, std::string_view fontQuarter,
        int z = 4, Rgb colour = { 0, 0, 0 })
    {
        block(channel, colour, x, y, w, 0, fontQuarter, "", "", { 0, 0, 0 }, z, content, "");
    }

private:
    // Where the next `count` characters go.
    BEATSTRIP_INLINE char* room(size_t count)
    {
        if (m_out.size() - m_used < count)
            grow(count);
        return m_out.data() + m_used;
    }
    // A slice at a time: what is grown is filled in first, and the rows overwrite it.
    void grow(size_t count) { m_out.resize(m_out.size() + std::max<size_t>(count, 64 * 1024)); }

public:
    BEATSTRIP_INLINE static char* writeInteger(char* at, long value)
    {
        if (value < 0 || value >= 1000000000)
            return std::to_chars(at, at + 24, value).ptr;
        // Small numbers, nearly all of them: digits from the right.
        char digits[12];
        int count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        while (count)
            *at++ = digits[--count];
        return at;
    }

    static char* writeDecimal(char* at, double value)
    {
        // Most values are whole: positions of notes and beats on the grid.
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
    int m_column = 0;
};

#undef BEATSTRIP_INLINE

}
