// Melco EXP: no header, two-byte moves (y up) with 0x80 escapes; no colours.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

namespace tessaline {

DecodedDesign readExp(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader in(bytes);
    RecordBuilder out(sink);
    while (in.remaining() >= 2) {
        const std::uint8_t b0 = in.u8("an EXP stitch");
        const std::uint8_t b1 = in.u8("an EXP stitch");
        if (b0 != 0x80) {
            out.stitch(static_cast<std::int8_t>(b0), -static_cast<std::int8_t>(b1));
            continue;
        }
        const int dx = in.s8("an EXP command");
        const int dy = -in.s8("an EXP command");
        switch (b1) {
            case 0x01:
                // A colour change may also move: the move is a jump after the change.
                out.colourChange();
                if (dx != 0 || dy != 0) out.jump(dx, dy);
                break;
            // 0x02 moves with the needle down, a stitch longer than a plain record allows.
            case 0x02: out.stitch(dx, dy); break;
            case 0x04: out.jump(dx, dy); break;
            case 0x80: out.trim(); break;  // the two bytes after a trim carry no move
            default: throw DesignFormatError("unknown EXP command");
        }
    }
    out.end();
    DecodedDesign design;
    design.format = DesignFormat::Exp;
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
