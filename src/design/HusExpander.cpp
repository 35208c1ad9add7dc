#include "design/HusExpander.h"

#include "design/DesignFormat.h"

#include <array>
#include <optional>

namespace tessaline {

namespace {

constexpr int kMaxCodeLength = 16;
constexpr unsigned kLiteralEnd = 256;  // symbols below are bytes, from here on back references
constexpr unsigned kEndSymbol = 510;
constexpr unsigned kShortestMatch = 3;

// Bits most significant first. Reading past the end yields zeros, as a decoder's look-ahead does,
// but overrun() then tells the data was cut short.
class BitStream {
public:
    explicit BitStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    unsigned bit() {
        const std::size_t byte = position_ >> 3;
        const unsigned value = byte < bytes_.size() ? (bytes_[byte] >> (7 - (position_ & 7))) & 1u : 0u;
        ++position_;
        return value;
    }
    std::uint32_t bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = value << 1 | bit();
        return value;
    }
    bool overrun() const { return position_ > bytes_.size() * 8; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// A canonical prefix code given by each symbol's code length: shorter codes first, and among
// codes of one length the lower symbol first. A code of a single symbol takes no bits.
class PrefixCode {
public:
    static PrefixCode single(unsigned symbol) {
        PrefixCode code;
        code.only_ = symbol;
        return code;
    }

    explicit PrefixCode(const std::vector<unsigned>& lengths) {
        for (const unsigned length : lengths) {
            if (length > kMaxCodeLength) throw DesignFormatError("a code in the compressed HUS data is too long");
            ++counts_[length];
        }
        int left = 1;  // codes of the current length still free
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            left = left * 2 - counts_[length];
            if (left < 0) throw DesignFormatError("a code table in the compressed HUS data is over-full");
        }
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
                if (lengths[symbol] == static_cast<unsigned>(length)) symbols_.push_back(static_cast<std::uint16_t>(symbol));
            }
        }
    }

    unsigned decode(BitStream& in) const {
        if (only_) return *only_;
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            code |= static_cast<int>(in.bit());
            const int count = counts_[length];
            if (code - count < first) return symbols_[static_cast<std::size_t>(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        throw DesignFormatError("the compressed HUS data holds a code its table lacks");
    }

private:
    PrefixCode() = default;

    std::array<int, kMaxCodeLength + 1> counts_{};
    std::vector<std::uint16_t> symbols_;
    std::optional<unsigned> only_;
};

// Three bits, or seven and then one more for each 1 bit up to a 0.
unsigned readLength(BitStream& in) {
    unsigned length = in.bits(3);
    if (length == 7) {
        while (length <= kMaxCodeLength && in.bit() == 1) ++length;
    }
    return length;
}

// The code the character table's lengths are written in. After the third length, two bits say
// how many of the next ones are zero.
PrefixCode readLengthCode(BitStream& in) {
    const unsigned count = in.bits(5);
    if (count == 0) return PrefixCode::single(in.bits(5));
    std::vector<unsigned> lengths(count, 0);
    for (unsigned i = 0; i < count;) {
        if (i == 3) {
            i += in.bits(2);
            if (i >= count) break;
        }
        lengths[i++] = readLength(in);
    }
    return PrefixCode(lengths);
}

// Literals, back-reference lengths and the end symbol. Symbols 0 to 2 of the length code stand for
// runs of unused characters; the rest for code lengths, two less.
PrefixCode readCharacterCode(BitStream& in, const PrefixCode& lengthCode) {
    const unsigned count = in.bits(9);
    if (count == 0) return PrefixCode::single(in.bits(9));
    std::vector<unsigned> lengths(count, 0);
    for (unsigned i = 0; i < count;) {
        const unsigned symbol = lengthCode.decode(in);
        if (symbol == 0) i += 1;
        else if (symbol == 1) i += 3 + in.bits(4);
        else if (symbol == 2) i += 20 + in.bits(9);
        else lengths[i++] = symbol - 2;
        if (in.overrun()) throw DesignFormatError("the compressed HUS data ends inside a code table");
    }
    return PrefixCode(lengths);
}

PrefixCode readDistanceCode(BitStream& in) {
    const unsigned count = in.bits(5);
    if (count == 0) return PrefixCode::single(in.bits(5));
    std::vector<unsigned> lengths(count, 0);
    for (unsigned& length : lengths) length = readLength(in);
    return PrefixCode(lengths);
}

}  // namespace

std::vector<std::uint8_t> expandHusStream(std::span<const std::uint8_t> packed, std::size_t size) {
    BitStream in(packed);
    std::vector<std::uint8_t> out;
    out.reserve(size);
    std::optional<PrefixCode> characters, distances;
    std::uint32_t blockLeft = 0;
    while (out.size() < size) {
        if (blockLeft == 0) {
            blockLeft = in.bits(16);
            const PrefixCode lengthCode = readLengthCode(in);
            characters = readCharacterCode(in, lengthCode);
            distances = readDistanceCode(in);
        }
        if (blockLeft > 0) --blockLeft;
        const unsigned symbol = characters->decode(in);
        if (symbol == kEndSymbol) break;
        if (symbol < kLiteralEnd) {
            out.push_back(static_cast<std::uint8_t>(symbol));
        } else {
            const std::size_t length = symbol - (kLiteralEnd - kShortestMatch);
            const unsigned bucket = distances->decode(in);
            // Bucket b > 0 holds the distances from 2^(b-1) on, told apart by b-1 more bits.
            const std::uint64_t distance =
                bucket == 0 ? 0 : (std::uint64_t{1} << (bucket - 1)) + in.bits(static_cast<int>(bucket) - 1);
            if (distance >= out.size()) throw DesignFormatError("the compressed HUS data refers back before its start");
            std::size_t from = out.size() - static_cast<std::size_t>(distance) - 1;
            for (std::size_t i = 0; i < length && out.size() < size; ++i) out.push_back(out[from++]);
        }
        if (in.overrun()) throw DesignFormatError("the compressed HUS data ends early");
    }
    if (out.size() < size) throw DesignFormatError("the compressed HUS data ends early");
    return out;
}

}  // namespace tessaline
