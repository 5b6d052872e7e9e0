#include "score/Readings.h"

#include "TempFolder.h"

#include <cfloat>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

using score::floatValue;
using score::intValue;

TEST(ReadingsTest, WholeNumberTakesSignAndLeadingDigitsOnly)
{
    EXPECT_EQ(intValue(" 12.7abc"), 12);
    EXPECT_EQ(intValue("+41"), 41);
    EXPECT_EQ(intValue("041"), 41);
    EXPECT_EQ(intValue("-7"), -7);
    EXPECT_EQ(intValue("\t\n 9"), 9);
    EXPECT_EQ(intValue("0x10"), 0);
    EXPECT_EQ(intValue("1e3"), 1);
    EXPECT_EQ(intValue("abc"), 0);
    EXPECT_EQ(intValue(""), 0);
    EXPECT_EQ(intValue("-"), 0);
    EXPECT_EQ(intValue("+-3"), 0);
    EXPECT_EQ(intValue("- 3"), 0);
}

TEST(ReadingsTest, WholeNumberClampsToThe32BitRange)
{
    EXPECT_EQ(intValue("2147483647"), INT32_MAX);
    EXPECT_EQ(intValue("2147483648"), INT32_MAX);
    EXPECT_EQ(intValue("-2147483648"), INT32_MIN);
    EXPECT_EQ(intValue("-2147483649"), INT32_MIN);
    EXPECT_EQ(intValue("99999999999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(intValue("-99999999999999999999999999999999"), INT32_MIN);
    EXPECT_EQ(intValue("00000000000000000000000000000042"), 42);
}

TEST(ReadingsTest, NumberTakesDecimalsAndExponents)
{
    EXPECT_FLOAT_EQ(floatValue("12.7"), 12.7f);
    EXPECT_FLOAT_EQ(floatValue(" 12.7abc"), 12.7f);
    EXPECT_FLOAT_EQ(floatValue("72.5"), 72.5f);
    EXPECT_FLOAT_EQ(floatValue("+41"), 41.0f);
    EXPECT_FLOAT_EQ(floatValue("-.5"), -0.5f);
    EXPECT_FLOAT_EQ(floatValue("5."), 5.0f);
    EXPECT_FLOAT_EQ(floatValue("1e3"), 1000.0f);
    EXPECT_FLOAT_EQ(floatValue("2.5E-1x"), 0.25f);
    // An exponent marker without digits is not part of the number.
    EXPECT_FLOAT_EQ(floatValue("3e"), 3.0f);
    EXPECT_FLOAT_EQ(floatValue("3e+"), 3.0f);
    EXPECT_FLOAT_EQ(floatValue("."), 0.0f);
    EXPECT_FLOAT_EQ(floatValue("-"), 0.0f);
}

// Whole numbers take a shorter way than decimals; they must round to the same float the text
// names, up to and past the 24 bits a float holds exactly.
TEST(ReadingsTest, WholeNumbersRoundAsTheirTextDoes)
{
    for (const char* text : { "0", "-0", "7", "+7", " 42", "007", "16777216", "16777217", "16777219", "123456789", "999999999",
             "-999999999", "1000000000", "33554435", "12abc" }) {
        float expected = std::strtof(text, nullptr);
        EXPECT_EQ(score::floatValue(text), expected) << text;
        EXPECT_EQ(std::signbit(score::floatValue(text)), std::signbit(expected)) << text;
    }
}

TEST(ReadingsTest, NumberRefusesInfNanAndHex)
{
    EXPECT_EQ(floatValue("inf"), 0.0f);
    EXPECT_EQ(floatValue("-infinity"), 0.0f);
    EXPECT_EQ(floatValue("nan"), 0.0f);
    EXPECT_EQ(floatValue("0x10"), 0.0f);
    EXPECT_EQ(floatValue("0x1p3"), 0.0f);
}

TEST(ReadingsTest, NumberOutOfFloatRangeStaysFinite)
{
    EXPECT_EQ(floatValue("1e39"), FLT_MAX);
    EXPECT_EQ(floatValue("-1e39"), -FLT_MAX);
    EXPECT_EQ(floatValue("123456789e99999999999999999999999"), FLT_MAX);
    EXPECT_EQ(floatValue("1e-50"), 0.0f);
    EXPECT_EQ(floatValue("0.0000000000000000000000000000000000000000000000001"), 0.0f);
    EXPECT_EQ(floatValue("1e-99999999999999999999999"), 0.0f);
    EXPECT_EQ(floatValue("0.00001e39"), 1e34f);
    // Exponents that fit a long but not the sum with the mantissa's own power of ten.
    EXPECT_EQ(floatValue("10e9223372036854775807"), FLT_MAX);
    EXPECT_EQ(floatValue("0.1e-9223372036854775807"), 0.0f);
}

TEST(ReadingsTest, ACommaDecimalLocaleChangesNothing)
{
    // Build a locale whose decimal point is a comma, so the test does not depend on which
    // locales the machine has installed.
    TempFolder folder;
    folder.write("comma.src", "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\nEND LC_NUMERIC\n");
    std::string command = "localedef -c -i '" + folder.path() + "/comma.src' -f UTF-8 '" + folder.path() + "/comma.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1)
        GTEST_SKIP() << "cannot run localedef";
    setenv("LOCPATH", folder.path().c_str(), 1);
    std::string previous = setlocale(LC_NUMERIC, nullptr);
    bool switched = setlocale(LC_NUMERIC, "comma.UTF-8") != nullptr;
    double libc = switched ? strtod("12,75", nullptr) : 0.0;
    float point = floatValue("12.75");
    float comma = floatValue("12,75");
    float exponent = floatValue("1.5e2");
    setlocale(LC_NUMERIC, previous.c_str());
    unsetenv("LOCPATH");
    if (!switched)
        GTEST_SKIP() << "localedef made no usable locale";
    ASSERT_EQ(libc, 12.75) << "the comma locale is not in effect";
    EXPECT_EQ(point, 12.75f);
    EXPECT_EQ(comma, 12.0f);
    EXPECT_EQ(exponent, 150.0f);
}

TEST(ReadingsTest, WholeNumbersWriteBackAsDecimalText)
{
    EXPECT_EQ(score::textFromInt(72), "72");
    EXPECT_EQ(score::textFromInt(-5), "-5");
    EXPECT_EQ(score::textFromInt(INT32_MIN), "-2147483648");
}
