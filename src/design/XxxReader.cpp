// Singer XXX: a 256-byte little-endian header (colour count at 0x27), byte moves from 0x100 with
// 0x7F commands and 0x7D/0x7E long moves, then the colour table.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

namespace tessaline {

namespace {

constexpr std::size_t kColourCountOffset = 0x27;
constexpr std::size_t kStitchListOffset = 0x100;
constexpr std::size_t kColourTableSkip = 4;  // the end command's two bytes and two more

}  // namespace

DecodedDesign readXxx(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader header(bytes, kColourCountOffset);
    const std::uint16_t colours = header.u16le("the XXX header");
    if (bytes.size() < kStitchListOffset) throw DesignFormatError("the file ends inside the XXX header");

    ByteReader in(bytes, kStitchListOffset);
    RecordBuilder out(sink);
    bool ended = false;
    while (in.remaining() >= 2) {
        const std::uint8_t b0 = in.u8("an XXX stitch");
        if (b0 == 0x7D || b0 == 0x7E) {
            const int dx = in.s16le("a long XXX move");
            const int dy = -in.s16le("a long XXX move");
            if (b0 == 0x7E) out.jump(dx, dy);
            else out.stitch(dx, dy);
            continue;
        }
        const std::uint8_t b1 = in.u8("an XXX stitch");
        if (b0 != 0x7F) {
            out.stitch(static_cast<std::int8_t>(b0), -static_cast<std::int8_t>(b1));
            continue;
        }
        if (b1 == 0x7F || b1 == 0x18) {  // end of the stitch list
            ended = true;
            break;
        }
        const int dx = in.s8("an XXX command");
        const int dy = -in.s8("an XXX command");
        switch (b1) {
            case 0x01: out.jump(dx, dy); break;
            case 0x03:
                out.trim();
                if (dx != 0 || dy != 0) out.jump(dx, dy);
                break;
            case 0x08:
            case 0x0A:
            case 0x0B:
                out.colourChange();
                if (dx != 0 || dy != 0) out.jump(dx, dy);
                break;
            default: throw DesignFormatError("unknown XXX command");
        }
    }
    out.end();

    DecodedDesign design;
    design.format = DesignFormat::Xxx;
    design.figures = out.figures();
    // The colour table follows the end command and two more bytes; a file without it still
    // stitches, so a missing or short table leaves the list empty.
    if (ended && in.remaining() >= kColourTableSkip && std::size_t{colours} <= (in.remaining() - kColourTableSkip) / 4) {
        in.skip(kColourTableSkip, "the XXX colour table");
        for (std::uint16_t i = 0; i < colours; ++i) {
            in.u8("the XXX colour table");
            DesignThread thread;
            thread.red = in.u8("the XXX colour table");
            thread.green = in.u8("the XXX colour table");
            thread.blue = in.u8("the XXX colour table");
            design.threads.push_back(thread);
        }
    }
    return design;
}

}  // namespace tessaline
