#pragma once
// Builds DST file bytes in tests: a 512-byte header, then one 3-byte record per call, each a
// relative move in DST units (0.1 mm, +y up as the file counts it, each axis within +/-121).

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaline::test {

class DstTestEncoder {
public:
    static constexpr int kMaxMove = 121;  // 1 + 3 + 9 + 27 + 81

    explicit DstTestEncoder(const std::string& label = "TEST") {
        bytes_.assign(512, ' ');
        const std::string field = "LA:" + label.substr(0, 16);
        std::copy(field.begin(), field.end(), bytes_.begin());
        bytes_[field.size()] = '\r';
        bytes_[field.size() + 1] = 0x1A;  // end of the header text, as real files mark it
    }

    DstTestEncoder& stitch(int dx, int dy) { return record(dx, dy, 0x03); }
    DstTestEncoder& jump(int dx, int dy) { return record(dx, dy, 0x83); }
    DstTestEncoder& colourChange(int dx = 0, int dy = 0) { return record(dx, dy, 0xC3); }
    DstTestEncoder& end() { return raw(0x00, 0x00, 0xF3); }
    // A record with the given bytes as they are.
    DstTestEncoder& raw(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
        bytes_.insert(bytes_.end(), {b1, b2, b3});
        return *this;
    }
    // Loose bytes, e.g. the 0x1A many files carry after the end record.
    DstTestEncoder& trailing(std::initializer_list<std::uint8_t> extra) {
        bytes_.insert(bytes_.end(), extra);
        return *this;
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t recordCount() const { return (bytes_.size() - 512) / 3; }

    // The three bytes of a move with the kind bits of flags (bits 0, 1, 6, 7 of b3).
    static std::array<std::uint8_t, 3> encode(int dx, int dy, std::uint8_t flags) {
        if (dx < -kMaxMove || dx > kMaxMove || dy < -kMaxMove || dy > kMaxMove) {
            throw std::invalid_argument("a DST record moves at most 121 units per axis");
        }
        std::array<std::uint8_t, 3> out{0, 0, static_cast<std::uint8_t>(flags & 0xC3)};
        // Balanced ternary: weights 1, 3, 9, 27, 81, each digit -1, 0 or +1.
        struct Place {
            std::size_t byte;
            int xPlus, xMinus, yPlus, yMinus;  // bit numbers
        };
        static constexpr std::array<Place, 5> kPlaces{{
            {0, 0, 1, 7, 6},  // 1
            {1, 0, 1, 7, 6},  // 3
            {0, 2, 3, 5, 4},  // 9
            {1, 2, 3, 5, 4},  // 27
            {2, 2, 3, 5, 4},  // 81
        }};
        int x = dx;
        int y = dy;
        for (const Place& place : kPlaces) {
            const int xDigit = balancedDigit(x);
            const int yDigit = balancedDigit(y);
            if (xDigit > 0) out[place.byte] |= static_cast<std::uint8_t>(1 << place.xPlus);
            if (xDigit < 0) out[place.byte] |= static_cast<std::uint8_t>(1 << place.xMinus);
            if (yDigit > 0) out[place.byte] |= static_cast<std::uint8_t>(1 << place.yPlus);
            if (yDigit < 0) out[place.byte] |= static_cast<std::uint8_t>(1 << place.yMinus);
        }
        return out;
    }

private:
    // Takes the lowest balanced-ternary digit off value.
    static int balancedDigit(int& value) {
        int digit = ((value % 3) + 3) % 3;
        if (digit == 2) digit = -1;
        value = (value - digit) / 3;
        return digit;
    }

    DstTestEncoder& record(int dx, int dy, std::uint8_t flags) {
        const auto encoded = encode(dx, dy, flags);
        bytes_.insert(bytes_.end(), encoded.begin(), encoded.end());
        return *this;
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace tessaline::test
