#include "score/Readings.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <limits>

namespace score {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The power of ten of the first significant digit of a number that has one ("123.4e2" gives 4,
// "0.001" gives -3), saturating; tells overflow from underflow when a reading is out of range.
long decimalExponent(const char* first, const char* last)
{
    const char* mantissaEnd = first;
    while (mantissaEnd < last && (isDigit(*mantissaEnd) || *mantissaEnd == '.'))
        ++mantissaEnd;
    const char* point = std::find(first, mantissaEnd, '.');
    const char* significant = first;
    while (significant < mantissaEnd && (*significant == '0' || *significant == '.'))
        ++significant;
    long exponent = significant < point ? long(point - significant) - 1 : -long(significant - point);
    if (mantissaEnd < last) {
        const char* p = mantissaEnd + 1;
        bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        long e = 0;
        // Saturate: a 19-digit exponent fits a long but would overflow the sum below.
        if (std::from_chars(p, last, e).ec == std::errc::result_out_of_range || e > 1000000)
            e = 1000000;
        exponent += negative ? -e : e;
    }
    return exponent;
}

// Skips leading white space and an optional sign; returns whether the sign was minus.
bool skipBlanksAndSign(std::string_view text, size_t& i)
{
    while (i < text.size() && isSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return text[i++] == '-';
    return false;
}

}

int32_t intValue(std::string_view text)
{
    size_t i = 0;
    bool negative = skipBlanksAndSign(text, i);
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so any number of digits
    // clamps instead of wrapping.
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (value <= limit)
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

float floatValue(std::string_view text)
{
    size_t i = 0;
    bool negative = skipBlanksAndSign(text, i);
    // Find the longest leading number ourselves: from_chars alone would also take "inf" and "nan".
    size_t start = i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0f;
    // Whole numbers, nearly every field of a song: converting the integer rounds to the nearest
    // float exactly as reading the text does (nine digits stay within 32 bits).
    if (digits <= 9 && i - start == digits && (i == text.size() || (text[i] != 'e' && text[i] != 'E'))) {
        int32_t whole = 0;
        for (size_t k = start; k < i; ++k)
            whole = whole * 10 + (text[k] - '0');
        float value = float(whole);
        return negative ? -value : value;
    }
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    float value = 0.0f;
    const char* first = text.data() + start;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        value = decimalExponent(first, last) > 0 ? FLT_MAX : 0.0f;
    else if (ec != std::errc())
        value = 0.0f;
    (void)ptr;
    return negative ? -value : value;
}

std::string textFromInt(int32_t value)
{
    char buffer[16];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, ptr);
}

}
