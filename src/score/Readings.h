#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace score {

// How numbers are read from a score row's texts. Both readings are locale-independent and never
// fail: a text without a leading number reads as 0.

// Leading white space, an optional sign and the decimal digits up to the first other character;
// clamped to the 32-bit signed range. "12.7" reads 12, "0x10" reads 0, "+41" reads 41.
int32_t intValue(std::string_view text);

// Leading white space, an optional sign, digits with an optional decimal point and an optional
// exponent, as a 32-bit float. No "inf", "nan" or hex forms; a magnitude beyond the float range
// reads as the largest finite float of that sign.
float floatValue(std::string_view text);

// A whole number written back as "%d" text.
std::string textFromInt(int32_t value);

}
