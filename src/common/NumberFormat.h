#pragma once
// The one place where numbers become program text and typed text becomes numbers.
// Locale-independent: always "." as the decimal separator.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaline {

// General form: at most 15 significant digits, no exponent, no trailing zeros,
// a "0" before the point below 1, and a negated zero written "0". A value that is not
// finite has no text: both throw std::domain_error.
std::string formatNumber(double value);
// Appends formatNumber(value) to out without a temporary string (the generator's hot path).
void appendNumber(std::string& out, double value);

// At most maxDecimals decimals (0 to 15), rounded half away from zero on the number's
// 15-significant-digit form, no trailing zeros, never "-0": 42.3333333333333 with 3 gives
// "42.333". Tenths print exactly as formatNumber prints them. Throws std::domain_error when
// value is not finite.
std::string formatRounded(double value, int maxDecimals);
void appendRounded(std::string& out, double value, int maxDecimals);
// Whole numbers as plain integers.
std::string formatInteger(std::int64_t value);
std::string formatUnsigned(std::uint64_t value);

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
