// The song text's field writers against the plain library conversions they stand in for: the
// writers take shortcuts for the common cases (whole numbers, short labels), and a shortcut that
// drifts from the plain conversion changes the song.
#include "import/StripRows.h"
#include "import/StripWriter.h"

#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

using import::StripRows;
using import::StripWriter;

namespace {

// A field's text as the plain conversions give it: whole numbers (within a billionth) as
// integers, others rounded to three decimals without trailing zeros; numbers too long for that
// (beyond any strip) in their shortest form.
std::string plainDecimal(double value)
{
    double rounded = std::round(value);
    if (std::fabs(value - rounded) < 1e-9 && std::fabs(value) < 1e15)
        return std::to_string(static_cast<long long>(rounded));
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    EXPECT_EQ(error, std::errc());
    std::string text(buffer, end);
    if (text.size() > 39)
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::string written(double value)
{
    char buffer[64];
    return std::string(buffer, StripRows::writeDecimal(buffer, value));
}

std::string writtenInteger(long value)
{
    char buffer[64];
    return std::string(buffer, StripRows::writeInteger(buffer, value));
}

}

TEST(StripRows, DecimalsMatchThePlainConversion)
{
    std::vector<double> values;
    for (int i = 0; i <= 100000; ++i)
        values.push_back(i);
    // Every digit count, and its neighbours.
    for (double power = 1; power <= 1e16; power *= 10)
        for (double value : { power - 1, power, power + 1, power - 0.5, power + 0.25 })
            values.push_back(value), values.push_back(-value);
    for (int i = -2000; i <= 2000; ++i)
        values.push_back(i / 8.0), values.push_back(i / 3.0), values.push_back(i / 1000.0), values.push_back(i * 0.1);
    // Near whole numbers: within a billionth they are written whole, beyond it not.
    for (double whole : { 0.0, 1.0, 17.0, 999.0, 1e9 - 1, 1e9, 4294967295.0, 4294967296.0 })
        for (double offset : { 1e-12, 1e-10, 5e-10, 2e-9, 1e-7, 4e-4, 5e-4, 6e-4 })
            values.push_back(whole + offset), values.push_back(whole - offset);
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> anywhere(-2e6, 2e6);
    for (int i = 0; i < 20000; ++i)
        values.push_back(anywhere(random));
    values.insert(values.end(), { -0.0, 1e300, -1e300, 5e-324, std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity() });
    for (double value : values)
        ASSERT_EQ(written(value), plainDecimal(value)) << "for " << value;
    EXPECT_EQ(written(std::nan("")), "nan");
}

TEST(StripRows, IntegersMatchThePlainConversion)
{
    std::vector<long> values { 0, 9, 10, 99, 100, 999999999, 1000000000, 4294967295, 4294967296, -1, -10, LONG_MAX, LONG_MIN };
    for (long power = 1;; power *= 10) {
        values.push_back(power - 1), values.push_back(power), values.push_back(-power);
        if (power > LONG_MAX / 10)
            break;
    }
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; ++i)
        values.push_back(long(random() % 2000000000) - 100000);
    for (long value : values)
        ASSERT_EQ(writtenInteger(value), std::to_string(value)) << "for " << value;
}

TEST(StripRows, FieldsAreSeparatedAndPiecesOfAnyLengthCopiedWhole)
{
    std::string out;
    StripRows rows(out);
    const std::string longText(StripRows::Piece::slot + 9, 'x');
    StripRows::Piece shortPiece("ab,"), exact(std::string(StripRows::Piece::slot, 'y')), longPiece(longText);
    char* at = rows.open(400);
    at = shortPiece.put(at);
    at = StripRows::integer(at, 42), at = StripRows::half(at, 1.25), at = StripRows::text(at, "");
    at = exact.put(at), at = longPiece.put(at);
    at = StripRows::text(at, "end");
    rows.close(StripRows::end(at));
    at = rows.open(10);
    rows.close(StripRows::end(StripRows::text(at, "next")));
    rows.finish();
    EXPECT_EQ(out, "ab,42,2.5,," + std::string(StripRows::Piece::slot, 'y') + longText + "end\rnext\r");
}

TEST(StripRows, RowsGrowTheTextAsFarAsTheyGo)
{
    // Far more than one slice of room, in rows of many lengths.
    std::string out = "head\r";
    StripRows rows(out);
    std::string expected = out;
    for (int i = 0; i < 40000; ++i) {
        std::string content(size_t(i % 97), char('a' + i % 26));
        char* at = rows.open(content.size() + 2 * StripRows::numberRoom);
        at = StripRows::integer(at, i), at = StripRows::text(at, content), at = StripRows::half(at, i / 4.0);
        rows.close(StripRows::end(at));
        expected += std::to_string(i) + "," + content + "," + plainDecimal(i / 2.0) + "\r";
    }
    rows.finish();
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(StripWriter, TempoLabelsAreTheShortestTextOfTheTempoTheyStandFor)
{
    std::vector<double> tempi;
    for (int i = 1; i <= 400000; ++i)
        tempi.push_back(i * 0.0025); // every step of the rounding, and the halves between them
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> anywhere(0, 2e6);
    for (int i = 0; i < 20000; ++i)
        tempi.push_back(anywhere(random));
    tempi.insert(tempi.end(), { 99.95, 99.949999, 9.995, 9.994999, 0.004, 0.0, -5.0, 999999.5, 1e6, 1e6 + 1, 1e12 });
    for (double bpm : tempi) {
        char label[24];
        double shown = -1;
        std::string text(label, StripWriter::tempoLabel(bpm, label, &shown));
        char plain[64];
        std::string expected(plain, std::to_chars(plain, plain + sizeof plain, shown, std::chars_format::fixed).ptr);
        ASSERT_EQ(text, expected) << "for " << bpm;
        if (bpm >= 0.005 && bpm < 9999.5) {
            ASSERT_LE(text.size(), 4u) << "for " << bpm;
            double step = bpm >= 99.95 ? 1 : bpm >= 9.995 ? 0.1 : 0.01;
            ASSERT_LE(std::fabs(shown - bpm), step / 2 + 1e-9) << "for " << bpm;
        }
    }
    for (double bad : { std::nan(""), std::numeric_limits<double>::infinity(), 1e7 }) {
        char label[24];
        double shown = -1;
        EXPECT_EQ(std::string(label, StripWriter::tempoLabel(bad, label, &shown)), "120");
        EXPECT_EQ(shown, StripWriter::defaultQuartersPerMinute);
    }
}
