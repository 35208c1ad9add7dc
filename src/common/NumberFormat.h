#pragma once
// The one place where numbers become program text and typed text becomes numbers.
// Locale-independent: always "." as the decimal separator.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaline {

// General form: at most 15 significant digits, no exponent, no trailing zeros,
// a "0" before the point below 1, and a negated zero written "0".
std::string formatNumber(double value);
// Appends formatNumber(value) to out without a temporary string (the generator's hot path).
void appendNumber(std::string& out, double value);
// Whole numbers as plain integers.
std::string formatInteger(std::int64_t value);

// Fixed decimals ("0.00" for 2): rounds halves away from zero on the number's
// 15-significant-digit decimal form, so 0.015 gives "0.02". Never "-0.00".
std::string formatFixed(double value, int decimals);

// Nearest whole number, halves to even (59.5 gives 60, 60.5 gives 60).
double roundHalfEven(double value);

// Lenient reading of typed numbers: blanks, tabs and line breaks anywhere are ignored,
// reading stops at the first character that cannot continue a number, and text without
// a number reads as 0.
double parseLenient(std::string_view text);

}  // namespace tessaline
