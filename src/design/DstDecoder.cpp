#include "design/DstDecoder.h"

#include "design/FormatReaders.h"


#include <algorithm>
#include <array>

namespace tessaline {

namespace {

// A record's move in DST units, y already pointing down (the file's dy negated).
struct Move {
    std::int16_t dx = 0;
    std::int16_t down = 0;
};

// One weight per bit of a record byte; the table is the file format's bit layout.
struct BitWeights {
    std::array<int, 8> dx;
    std::array<int, 8> dy;  // as the file counts it, +y up
};

constexpr BitWeights kB1{{1, -1, 9, -9, 0, 0, 0, 0}, {0, 0, 0, 0, -9, 9, -1, 1}};
constexpr BitWeights kB2{{3, -3, 27, -27, 0, 0, 0, 0}, {0, 0, 0, 0, -27, 27, -3, 3}};
constexpr BitWeights kB3{{0, 0, 81, -81, 0, 0, 0, 0}, {0, 0, 0, 0, -81, 81, 0, 0}};

// The whole move of every possible byte value, so a record decodes with three look-ups.
constexpr std::array<Move, 256> moveTable(const BitWeights& weights) {
    std::array<Move, 256> table{};
    for (int value = 0; value < 256; ++value) {
        int dx = 0;
        int dy = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (value & (1 << bit)) {
                dx += weights.dx[static_cast<std::size_t>(bit)];
                dy += weights.dy[static_cast<std::size_t>(bit)];
            }
        }
        table[static_cast<std::size_t>(value)] = {static_cast<std::int16_t>(dx), static_cast<std::int16_t>(-dy)};
    }
    return table;
}

constexpr auto kMoveB1 = moveTable(kB1);
constexpr auto kMoveB2 = moveTable(kB2);
constexpr auto kMoveB3 = moveTable(kB3);

constexpr RecordKind kindOf(std::uint8_t b3) {
    switch (b3 & 0xC3) {
        case 0x03: return RecordKind::Stitch;
        case 0x83: return RecordKind::Jump;
        case 0xC3: return RecordKind::ColourChange;
        default: return RecordKind::Other;
    }
}

constexpr double kUnitsPerMm = 10.0;  // DST moves are in 0.1 mm
constexpr double toMillimetres(std::int64_t units) { return static_cast<double>(units) / kUnitsPerMm; }

}  // namespace

DesignFigures decodeDst(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    // Positions stay in whole DST units so that long designs never drift.
    std::int64_t x = 0;
    std::int64_t y = 0;
    FigureTally tally;

    const std::size_t size = bytes.size();
    // A record is read while its first byte lies before the file's last byte; a record cut
    // short by one byte reads that byte as 0, a lone trailing byte is ignored.
    for (std::size_t offset = kDstHeaderBytes; offset + 1 < size; offset += 3) {
        const std::uint8_t b1 = bytes[offset];
        const std::uint8_t b2 = bytes[offset + 1];
        const std::uint8_t b3 = offset + 2 < size ? bytes[offset + 2] : 0;

        const RecordKind kind = kindOf(b3);
        if (kind != RecordKind::Other) {
            if (kind == RecordKind::Jump) ++tally.jumps;
            if (sink) sink(DesignRecord{kind, toMillimetres(x), toMillimetres(y)});
        }
        if ((b3 & 0xC0) == 0xC0) ++tally.boundaries;

        x += kMoveB1[b1].dx + kMoveB2[b2].dx + kMoveB3[b3].dx;
        y += kMoveB1[b1].down + kMoveB2[b2].down + kMoveB3[b3].down;

        tally.reached(x, y);
    }
    return tally.figures(kUnitsPerMm);
}

DecodedDesign readDst(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (bytes.size() < kDstHeaderBytes) {
        throw DesignFormatError("the file holds only " + std::to_string(bytes.size()) +
                                " bytes, too short to be a design (a DST header alone takes " +
                                std::to_string(kDstHeaderBytes) + ")");
    }
    DecodedDesign design;
    design.format = DesignFormat::Dst;
    design.figures = decodeDst(bytes, sink);
    return design;
}

}  // namespace tessaline
