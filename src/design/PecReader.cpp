// PEC, and PES through the PEC block it embeds: machines stitch from the PEC block, so its
// stitch list is the design; of the PES section only the thread table is read.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

#include <cstring>
#include <utility>

namespace tessaline {

namespace {

constexpr std::size_t kColourCountOffset = 48;  // from the start of the PEC block
constexpr std::size_t kStitchListOffset = 528;

// A 7-bit move (one byte, bit 7 clear) or a 12-bit move (two bytes, bit 7 of the first set,
// which also carries the trim 0x20 and jump 0x10 flags).
struct PecMove {
    int delta = 0;
    bool trim = false;
    bool jump = false;
};

PecMove readMove(ByteReader& in, std::uint8_t first) {
    PecMove move;
    if (first & 0x80) {
        move.trim = (first & 0x20) != 0;
        move.jump = (first & 0x10) != 0;
        int value = ((first & 0x0F) << 8) | in.u8("a PEC stitch");
        if (value & 0x800) value -= 0x1000;
        move.delta = value;
    } else {
        move.delta = first > 0x3F ? first - 0x80 : first;
    }
    return move;
}

DecodedDesign readPecBlock(std::span<const std::uint8_t> bytes, std::size_t block, DesignFormat format,
                           const RecordSink& sink) {
    ByteReader in(bytes);
    in.seek(block, "the PEC block");
    in.skip(kColourCountOffset, "the PEC header");
    const std::uint8_t last = in.u8("the PEC colour count");
    const std::size_t colours = last == 0xFF ? 0 : std::size_t{last} + 1;

    DecodedDesign design;
    design.format = format;
    design.threads.reserve(colours);
    for (std::size_t i = 0; i < colours; ++i) design.threads.push_back(pecThread(in.u8("the PEC colour list")));

    in.seek(block + kStitchListOffset > bytes.size() ? bytes.size() + 1 : block + kStitchListOffset,
            "the PEC stitch list");
    RecordBuilder out(sink);
    for (;;) {
        // Most records are short stitches: two bytes with bit 7 clear.
        if (in.remaining() >= 2) {
            const std::uint8_t a = in.peek();
            const std::uint8_t b = in.peekAt(1);
            if ((a & 0x80) == 0 && (b & 0x80) == 0) {
                in.skip(2, "a PEC stitch");
                out.stitch(a > 0x3F ? a - 0x80 : a, b > 0x3F ? b - 0x80 : b);
                continue;
            }
        }
        const std::uint8_t first = in.u8("the PEC stitch list");
        if (first == 0xFF) break;  // end of the stitch list
        if (first == 0xFE && !in.atEnd() && in.peek() == 0xB0) {
            in.skip(2, "a PEC colour change");  // 0xB0, then an alternating 2/1 marker
            out.colourChange();
            continue;
        }
        const PecMove x = readMove(in, first);
        const PecMove y = readMove(in, in.u8("a PEC stitch"));
        const bool trim = x.trim || y.trim;
        const bool jump = x.jump || y.jump;
        if (trim) {
            out.trim();
            out.jump(x.delta, y.delta);
        } else if (jump) {
            out.jump(x.delta, y.delta);
        } else {
            out.stitch(x.delta, y.delta);
        }
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace

DecodedDesign readPec(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (bytes.size() < 8 || std::memcmp(bytes.data(), "#PEC", 4) != 0) throw DesignFormatError("no PEC signature");
    return readPecBlock(bytes, 8, DesignFormat::Pec, sink);
}

DecodedDesign readPes(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "#PES", 4) != 0) throw DesignFormatError("no PES signature");
    ByteReader in(bytes, 8);
    const std::uint32_t block = in.u32le("the PES header");
    if (block < 12 || block >= bytes.size()) throw DesignFormatError("the PEC block offset points outside the file");
    DecodedDesign design = readPecBlock(bytes, block, DesignFormat::Pes, sink);
    // The PES section's own thread table, where it has one, holds the colours the design was
    // made with; the PEC chart numbers are only their nearest matches.
    if (auto table = pesThreadTable(bytes, design.threads.size()); !table.empty()) design.threads = std::move(table);
    return design;
}

}  // namespace tessaline
