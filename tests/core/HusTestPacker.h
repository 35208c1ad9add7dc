#pragma once
// Builds the compressed streams of HUS files in tests: blocks whose codes a test can write by hand,
// above all the writer's simplest, 256 eight-bit literals, so each byte stands for itself.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tessaline::test {

class BitWriter {
public:
    void bits(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if (value >> i & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// One block of at most 65,535 literals; the length and distance codes are single symbols.
inline void writeLiteralBlock(BitWriter& w, const std::vector<std::uint8_t>& data) {
    w.bits(static_cast<std::uint32_t>(data.size()), 16);
    w.bits(0, 5);
    w.bits(10, 5);  // every character length is symbol 10: eight bits
    w.bits(256, 9);
    w.bits(0, 5);
    w.bits(0, 5);
    for (const std::uint8_t byte : data) w.bits(byte, 8);
}

// A block of count times one symbol with one distance bucket: neither takes any bits.
inline void writeSingleSymbolBlock(BitWriter& w, std::uint32_t count, std::uint32_t symbol, std::uint32_t bucket) {
    w.bits(count, 16);
    w.bits(0, 5);
    w.bits(0, 5);
    w.bits(0, 9);
    w.bits(symbol, 9);
    w.bits(0, 5);
    w.bits(bucket, 5);
}

// Any bytes as a stream of literal blocks.
inline std::vector<std::uint8_t> packLiterals(const std::vector<std::uint8_t>& data) {
    constexpr std::size_t kBlock = 65'535;
    BitWriter w;
    for (std::size_t at = 0; at < data.size(); at += kBlock) {
        const auto end = data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + kBlock));
        writeLiteralBlock(w, std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(at), end));
    }
    return w.bytes();
}

}  // namespace tessaline::test
