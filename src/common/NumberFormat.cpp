#include "common/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tessaline {

namespace {

constexpr int kSignificantDigits = 15;

// Splits value into its 15-significant-digit decimal digits and the power of ten of the
// first digit; "d.dddddddddddddde±x" is what to_chars gives for precision 14.
struct Decimal {
    bool negative = false;
    std::string digits;  // exactly 15 digits, first non-zero (or all zero for 0)
    int exponent = 0;
};

Decimal toDecimal(double value) {
    std::array<char, 64> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific,
                             kSignificantDigits - 1);
    std::string_view text(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
    Decimal d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] != '.') d.digits.push_back(text[i]);
    }
    std::from_chars(text.data() + i + 1 + (text[i + 1] == '+' ? 1 : 0), text.data() + text.size(), d.exponent);
    return d;
}

}  // namespace

namespace {

// A written number stands for a real one: printing "0" for infinity put Z0 on every line.
void requireFinite(double value) {
    if (!std::isfinite(value)) throw std::domain_error("a number that is not finite has no program text");
}

// Fast path: tenths, which is what designs hold. If k/10 rounds to exactly this double,
// the double is the nearest to the decimal k/10, and that decimal is its 15-digit form.
[[gnu::always_inline]] inline bool appendTenths(std::string& out, double value) {
    const double tenths = value * 10.0;
    if (!(std::fabs(tenths) < 1e15)) return false;
    const auto k = static_cast<long long>(std::llround(tenths));
    if (static_cast<double>(k) / 10.0 != value) return false;
    const long long whole = k / 10;
    const long long frac = std::llabs(k % 10);
    if (k < 0) out.push_back('-');
    std::array<char, 24> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::llabs(whole));
    out.append(buf.data(), res.ptr);
    if (frac != 0) {
        out.push_back('.');
        out.push_back(static_cast<char>('0' + frac));
    }
    return true;
}

}  // namespace

void appendNumber(std::string& out, double value) {
    requireFinite(value);
    if (value == 0) {
        out.push_back('0');
        return;
    }
    if (appendTenths(out, value)) return;
    // General path: round to 15 significant digits, then write the shortest form of that
    // rounded value in plain notation (a decimal of at most 15 digits round-trips exactly).
    std::array<char, 64> sci{};
    auto res = std::to_chars(sci.data(), sci.data() + sci.size(), value, std::chars_format::scientific,
                             kSignificantDigits - 1);
    double rounded = 0;
    std::from_chars(sci.data(), res.ptr, rounded);
    if (rounded == 0) {
        out.push_back('0');
        return;
    }
    std::array<char, 400> fixed{};
    auto fres = std::to_chars(fixed.data(), fixed.data() + fixed.size(), rounded, std::chars_format::fixed);
    out.append(fixed.data(), fres.ptr);
}

std::string formatNumber(double value) {
    std::string out;
    appendNumber(out, value);
    return out;
}

void appendRounded(std::string& out, double value, int maxDecimals) {
    requireFinite(value);
    if (value == 0) {
        out.push_back('0');
        return;
    }
    if (maxDecimals >= 1 && appendTenths(out, value)) return;
    std::string fixed = formatFixed(value, std::clamp(maxDecimals, 0, kSignificantDigits));
    if (fixed.find('.') != std::string::npos) {
        while (fixed.back() == '0') fixed.pop_back();
        if (fixed.back() == '.') fixed.pop_back();
    }
    out += fixed == "-0" ? "0" : fixed;
}

std::string formatRounded(double value, int maxDecimals) {
    std::string out;
    appendRounded(out, value, maxDecimals);
    return out;
}

std::string formatInteger(std::int64_t value) {
    std::array<char, 24> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), res.ptr);
}

std::string formatUnsigned(std::uint64_t value) {
    std::array<char, 24> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), res.ptr);
}

std::string formatFixed(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    if (decimals < 0) decimals = 0;
    Decimal d = toDecimal(value);
    // Digits of the integer part and of the fraction, from the 15-digit form.
    std::string intPart;
    std::string fracPart;
    const int pointAfter = d.exponent + 1;  // digits before the decimal point
    if (value == 0) {
        intPart = "0";
    } else if (pointAfter <= 0) {
        intPart = "0";
        fracPart = std::string(static_cast<std::size_t>(-pointAfter), '0') + d.digits;
    } else if (pointAfter >= static_cast<int>(d.digits.size())) {
        intPart = d.digits + std::string(static_cast<std::size_t>(pointAfter) - d.digits.size(), '0');
    } else {
        intPart = d.digits.substr(0, static_cast<std::size_t>(pointAfter));
        fracPart = d.digits.substr(static_cast<std::size_t>(pointAfter));
    }
    const bool roundUp = fracPart.size() > static_cast<std::size_t>(decimals) &&
                         fracPart[static_cast<std::size_t>(decimals)] >= '5';
    fracPart.resize(static_cast<std::size_t>(decimals), '0');
    std::string all = intPart + fracPart;
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[static_cast<std::size_t>(i)] == '9') {
                all[static_cast<std::size_t>(i)] = '0';
            } else {
                ++all[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0) all.insert(all.begin(), '1');
    }
    const std::size_t intLen = all.size() - static_cast<std::size_t>(decimals);
    std::string out;
    const bool isZero = all.find_first_not_of('0') == std::string::npos;
    if (d.negative && !isZero) out.push_back('-');
    out += all.substr(0, intLen);
    if (decimals > 0) {
        out.push_back('.');
        out += all.substr(intLen);
    }
    return out;
}

double roundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return std::nearbyint(value);
}

double parseLenient(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    enum class State { Sign, IntDigits, FracDigits, ExpSign, ExpDigits } state = State::Sign;
    std::size_t expStart = 0;  // where the exponent begins, to drop it if no digit follows
    for (char ch : text) {
        if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') continue;
        const bool digit = ch >= '0' && ch <= '9';
        if (state == State::Sign && (ch == '+' || ch == '-')) {
            clean.push_back(ch);
            state = State::IntDigits;
        } else if ((state == State::Sign || state == State::IntDigits) && digit) {
            clean.push_back(ch);
            state = State::IntDigits;
        } else if ((state == State::Sign || state == State::IntDigits) && ch == '.') {
            clean.push_back(ch);
            state = State::FracDigits;
        } else if (state == State::FracDigits && digit) {
            clean.push_back(ch);
        } else if ((state == State::IntDigits || state == State::FracDigits) && (ch == 'e' || ch == 'E') &&
                   clean.find_first_of("0123456789") != std::string::npos) {
            expStart = clean.size();
            clean.push_back('e');
            state = State::ExpSign;
        } else if (state == State::ExpSign && (ch == '+' || ch == '-')) {
            clean.push_back(ch);
            state = State::ExpDigits;
        } else if ((state == State::ExpSign || state == State::ExpDigits) && digit) {
            clean.push_back(ch);
            state = State::ExpDigits;
            expStart = 0;
        } else {
            break;
        }
    }
    if (expStart != 0) clean.resize(expStart);  // "12e" or "12e-" reads as 12
    const char* first = clean.data();
    const char* last = clean.data() + clean.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    auto res = std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        return (first != last && *first == '-') ? -HUGE_VAL : HUGE_VAL;
    }
    if (res.ec != std::errc()) return 0;
    return value == 0 ? 0.0 : value;
}

}  // namespace tessaline
