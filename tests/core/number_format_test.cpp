#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include <locale>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace tessaline {
namespace {

TEST(FormatNumber, ShortestPlainDecimal) {
    EXPECT_EQ(formatNumber(0), "0");
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(12.3), "12.3");
    EXPECT_EQ(formatNumber(-2.5), "-2.5");
    EXPECT_EQ(formatNumber(0.5), "0.5");
    EXPECT_EQ(formatNumber(-0.5), "-0.5");
    EXPECT_EQ(formatNumber(40), "40");
    EXPECT_EQ(formatNumber(-7.5), "-7.5");
    EXPECT_EQ(formatNumber(52.3), "52.3");
    EXPECT_EQ(formatNumber(0.25), "0.25");
    EXPECT_EQ(formatNumber(-1234.5678), "-1234.5678");
}

TEST(FormatNumber, FifteenSignificantDigits) {
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatNumber(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(formatNumber(-2.0 / 3.0), "-0.666666666666667");
    EXPECT_EQ(formatNumber(1234567.1 * 3), "3703701.3");
    EXPECT_EQ(formatNumber(123456789012345678.0), "123456789012346000");
}

TEST(FormatNumber, NoExponentForTinyOrLargeValues) {
    EXPECT_EQ(formatNumber(1e-7), "0.0000001");
    EXPECT_EQ(formatNumber(1.5e-7), "0.00000015");
    EXPECT_EQ(formatNumber(-2.5e-9), "-0.0000000025");
    EXPECT_EQ(formatNumber(1e15), "1000000000000000");
    EXPECT_EQ(formatNumber(1e20), "100000000000000000000");
    EXPECT_EQ(formatNumber(-4.5e16), "-45000000000000000");
}

TEST(FormatNumber, AppendNumberAppends) {
    std::string out = "X";
    appendNumber(out, -12.3);
    out += " Y";
    appendNumber(out, 1e-7);
    EXPECT_EQ(out, "X-12.3 Y0.0000001");
}

TEST(FormatNumber, TenthsOfDesignUnits) {
    // Every position a design can hold is a whole number of tenths.
    for (int units = -20000; units <= 20000; units += 7) {
        const double mm = units / 10.0;
        const std::string text = formatNumber(mm);
        const int whole = units / 10;
        const int tenth = std::abs(units % 10);
        std::string expected = units < 0 ? "-" : "";
        expected += formatInteger(std::abs(whole));
        if (tenth != 0) {
            expected += '.';
            expected += formatInteger(tenth);
        }
        ASSERT_EQ(text, expected) << "units " << units;
    }
}

TEST(FormatInteger, PlainWholeNumbers) {
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(-42), "-42");
    EXPECT_EQ(formatInteger(1234567890123), "1234567890123");
    EXPECT_EQ(formatInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(FormatFixed, HalvesRoundAwayFromZero) {
    EXPECT_EQ(formatFixed(0.015, 2), "0.02");
    EXPECT_EQ(formatFixed(-0.015, 2), "-0.02");
    EXPECT_EQ(formatFixed(59.995, 2), "60.00");
    EXPECT_EQ(formatFixed(1.005, 2), "1.01");
    EXPECT_EQ(formatFixed(2.5, 0), "3");
    EXPECT_EQ(formatFixed(-2.5, 0), "-3");
    EXPECT_EQ(formatFixed(1.0005, 3), "1.001");
    EXPECT_EQ(formatFixed(0.0005, 3), "0.001");
    EXPECT_EQ(formatFixed(999.9996, 3), "1000.000");
}

TEST(FormatFixed, PadsAndTruncates) {
    EXPECT_EQ(formatFixed(0, 2), "0.00");
    EXPECT_EQ(formatFixed(0, 3), "0.000");
    EXPECT_EQ(formatFixed(3, 2), "3.00");
    EXPECT_EQ(formatFixed(12.344, 2), "12.34");
    EXPECT_EQ(formatFixed(-12.344, 2), "-12.34");
    EXPECT_EQ(formatFixed(0.1234, 3), "0.123");
    EXPECT_EQ(formatFixed(123456.789, 2), "123456.79");
    EXPECT_EQ(formatFixed(1e-9, 2), "0.00");
    EXPECT_EQ(formatFixed(1e16, 2), "10000000000000000.00");
}

TEST(FormatFixed, NeverNegativeZero) {
    EXPECT_EQ(formatFixed(-0.0, 2), "0.00");
    EXPECT_EQ(formatFixed(-0.001, 2), "0.00");
    EXPECT_EQ(formatFixed(-0.004999, 2), "0.00");
    EXPECT_EQ(formatFixed(-0.4, 0), "0");
    EXPECT_EQ(formatFixed(-0.0004, 3), "0.000");
    EXPECT_EQ(formatFixed(-0.005, 2), "-0.01");
}

TEST(RoundHalfEven, HalvesToEven) {
    EXPECT_EQ(roundHalfEven(59.5), 60);
    EXPECT_EQ(roundHalfEven(60.5), 60);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
    EXPECT_EQ(roundHalfEven(-7.6), -8);
}

TEST(ParseLenient, NumbersWithBlanksAnywhere) {
    EXPECT_EQ(parseLenient("2500.5"), 2500.5);
    EXPECT_EQ(parseLenient(" 2 500 . 5 "), 2500.5);
    EXPECT_EQ(parseLenient("\t-1\n2\r"), -12);
    EXPECT_EQ(parseLenient("+7"), 7);
    EXPECT_EQ(parseLenient(".5"), 0.5);
    EXPECT_EQ(parseLenient("-.5"), -0.5);
    EXPECT_EQ(parseLenient("5."), 5);
}

TEST(ParseLenient, ExponentsAndWhereReadingStops) {
    EXPECT_EQ(parseLenient("1e3"), 1000);
    EXPECT_EQ(parseLenient("1E-2"), 0.01);
    EXPECT_EQ(parseLenient("2.5e+1"), 25);
    EXPECT_EQ(parseLenient("1 e 2"), 100);
    EXPECT_EQ(parseLenient("12e"), 12);
    EXPECT_EQ(parseLenient("12e-"), 12);
    EXPECT_EQ(parseLenient("12ex"), 12);
    EXPECT_EQ(parseLenient("-3.5mm"), -3.5);
    EXPECT_EQ(parseLenient("1.2.3"), 1.2);
    EXPECT_EQ(parseLenient("7-3"), 7);
    EXPECT_EQ(parseLenient("4e2e3"), 400);
}

TEST(ParseLenient, TextWithoutANumberIsZero) {
    EXPECT_EQ(parseLenient(""), 0);
    EXPECT_EQ(parseLenient("   "), 0);
    EXPECT_EQ(parseLenient("abc"), 0);
    EXPECT_EQ(parseLenient("--8"), 0);
    EXPECT_EQ(parseLenient("+-8"), 0);
    EXPECT_EQ(parseLenient("-"), 0);
    EXPECT_EQ(parseLenient("."), 0);
    EXPECT_EQ(parseLenient("e5"), 0);
    EXPECT_EQ(parseLenient("x12"), 0);
    EXPECT_FALSE(std::signbit(parseLenient("-0")));
}

// Decimal comma and point grouping, as many users' systems have them.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(NumberFormatLocale, CommaDecimalLocaleChangesNothing) {
    const std::string before = formatNumber(-12.3) + formatFixed(59.995, 2) + formatNumber(1e-7) + formatNumber(12345.5);
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    // The C library's locale too, where a comma-decimal one is installed.
    const bool cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "de_DE") != nullptr;
    const std::string after = formatNumber(-12.3) + formatFixed(59.995, 2) + formatNumber(1e-7) + formatNumber(12345.5);
    const double parsed = parseLenient("2500.5");
    const double comma = parseLenient("2,5");
    std::locale::global(previous);
    if (cLocale) std::setlocale(LC_ALL, "C");
    EXPECT_EQ(after, before);
    EXPECT_EQ(after, "-12.360.000.000000112345.5");
    EXPECT_EQ(parsed, 2500.5);
    EXPECT_EQ(comma, 2);
}

}  // namespace
}  // namespace tessaline
