#include "design/JanomeStitches.h"

#include <string>

namespace tessaline {

void readJanomeStitches(ByteReader& in, RecordBuilder& out, std::string_view format) {
    while (in.remaining() >= 2) {
        const std::uint8_t b0 = in.u8("a stitch");
        const std::uint8_t b1 = in.u8("a stitch");
        if (b0 != 0x80) {
            out.stitch(static_cast<std::int8_t>(b0), -static_cast<std::int8_t>(b1));
            continue;
        }
        if (b1 == 0x10) break;
        const int dx = in.s8("a stitch command");
        const int dy = -in.s8("a stitch command");
        if (b1 == 0x01) {
            out.colourChange();
            if (dx != 0 || dy != 0) out.jump(dx, dy);
        } else if (b1 == 0x02 || b1 == 0x04) {
            out.jump(dx, dy);
        } else {
            throw DesignFormatError("unknown " + std::string(format) + " command");
        }
    }
    out.end();
}

}  // namespace tessaline
