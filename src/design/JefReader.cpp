// Janome JEF: a little-endian header with the stitch list's offset and the chart numbers of
// the threads, then two-byte moves with 0x80 escapes for jumps, colour changes and the end.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

#include <cstdlib>

namespace tessaline {

namespace {

constexpr std::size_t kColourCountOffset = 24;
constexpr std::size_t kColourListOffset = 116;

}  // namespace

DecodedDesign readJef(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader header(bytes);
    const std::uint32_t stitches = header.u32le("the JEF header");
    header.seek(kColourCountOffset, "the JEF colour count");
    const std::uint32_t colours = header.u32le("the JEF header");
    if (stitches < kColourListOffset || stitches > bytes.size()) {
        throw DesignFormatError("the stitch list offset points outside the file");
    }
    // Each colour takes four bytes of the list between the header and the stitches.
    if (colours > (stitches - kColourListOffset) / 4) throw DesignFormatError("the colour count does not fit the header");

    DecodedDesign design;
    design.format = DesignFormat::Jef;
    header.seek(kColourListOffset, "the JEF colour list");
    design.threads.reserve(colours);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::int64_t number = header.s32le("the JEF colour list");
        design.threads.push_back(jefThread(static_cast<std::size_t>(std::llabs(number))));
    }

    ByteReader in(bytes, stitches);
    RecordBuilder out(sink);
    // A list that runs to the end of the file without its end mark still ends the design there.
    while (in.remaining() >= 2) {
        const std::uint8_t b0 = in.u8("a JEF stitch");
        const std::uint8_t b1 = in.u8("a JEF stitch");
        if (b0 != 0x80) {
            out.stitch(static_cast<std::int8_t>(b0), -static_cast<std::int8_t>(b1));
            continue;
        }
        if (b1 == 0x10) break;
        const int dx = in.s8("a JEF command");
        const int dy = -in.s8("a JEF command");
        if (b1 == 0x01) {
            out.colourChange();
            if (dx != 0 || dy != 0) out.jump(dx, dy);
        } else if (b1 == 0x02 || b1 == 0x04) {
            out.jump(dx, dy);
        } else {
            throw DesignFormatError("unknown JEF command");
        }
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
