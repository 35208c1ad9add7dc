// VP3 (Husqvarna/Pfaff): big-endian, positions in micrometres. A header with the design's centre,
// then one block per colour holding its start point, its thread and byte-pair moves (y down)
// with 0x80 escapes: 0x01 a long move (two 16-bit values), 0x02 the end of one, 0x03 a trim.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

#include <cstring>

namespace tessaline {

namespace {

std::string readString(ByteReader& in, const char* what) {
    const std::uint16_t length = in.u16be(what);
    return in.text(length, what);
}

void skipString(ByteReader& in, const char* what) {
    const std::uint16_t length = in.u16be(what);
    in.skip(length, what);
}

// Micrometres to 0.1 mm, truncated toward zero as whole units. Positions are added up in
// micrometres first: two parts truncated apart can land a unit off their sum.
std::int64_t units(std::int64_t micrometres) { return micrometres / 100; }

DesignThread readThread(ByteReader& in) {
    const char* what = "a VP3 thread";
    const std::uint8_t colours = in.u8(what);
    in.u8(what);  // transition
    DesignThread thread;
    for (std::uint8_t i = 0; i < colours; ++i) {
        const std::uint8_t red = in.u8(what);
        const std::uint8_t green = in.u8(what);
        const std::uint8_t blue = in.u8(what);
        if (i == 0) {
            thread.red = red;
            thread.green = green;
            thread.blue = blue;
        }
        in.skip(3, what);  // parts and length
    }
    in.skip(2, what);  // thread type and weight
    thread.catalogNumber = readString(in, what);
    thread.description = readString(in, what);
    skipString(in, what);  // brand
    return thread;
}

}  // namespace

DecodedDesign readVp3(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (bytes.size() < 6 || std::memcmp(bytes.data(), "%vsm%", 5) != 0) throw DesignFormatError("no VP3 signature");
    ByteReader in(bytes, 6);
    const char* header = "the VP3 header";
    skipString(in, header);  // producer
    in.skip(7, header);      // project tag and its length
    skipString(in, header);  // comment
    in.skip(32, header);     // extents and counts
    const std::int64_t centreX = in.s32be(header);  // micrometres, y up
    const std::int64_t centreY = in.s32be(header);
    in.skip(27, header);
    skipString(in, header);
    in.skip(24, header);
    skipString(in, header);
    const std::uint16_t blocks = in.u16be(header);

    DecodedDesign design;
    design.format = DesignFormat::Vp3;
    RecordBuilder out(sink);
    for (std::uint16_t block = 0; block < blocks; ++block) {
        const char* what = "a VP3 colour block";
        in.skip(3, what);  // block tag
        const std::uint32_t length = in.u32be(what);
        const std::size_t blockEnd = in.position() + length;
        if (length > in.remaining()) throw DesignFormatError("a VP3 colour block runs past the end of the file");
        const std::int64_t startX = units(in.s32be(what) + centreX);
        const std::int64_t startY = -units(in.s32be(what) + centreY);
        // Each block after the first begins with a move to its start point, even a move of
        // nothing, so every colour block reads the same way.
        if (block > 0 || startX != out.x() || startY != out.y()) out.jump(startX - out.x(), startY - out.y());
        design.threads.push_back(readThread(in));
        in.skip(18, what);  // block data and the stitch tag
        if (in.position() > blockEnd) throw DesignFormatError("a VP3 colour block is shorter than its header");

        // The block's last byte is a terminator, so a move needs two bytes before it.
        while (in.position() + 1 < blockEnd) {
            const std::uint8_t b0 = in.u8(what);
            const std::uint8_t b1 = in.u8(what);
            if (b0 != 0x80) {
                out.stitch(static_cast<std::int8_t>(b0), static_cast<std::int8_t>(b1));
                continue;
            }
            if (b1 == 0x01) {
                if (in.position() + 4 > blockEnd) throw DesignFormatError("a long VP3 move runs past its block");
                const int dx = in.s16be(what);
                const int dy = in.s16be(what);
                out.stitch(dx, dy);
            } else if (b1 == 0x03) {
                out.trim();
            } else if (b1 != 0x02) {
                throw DesignFormatError("unknown VP3 command");
            }
        }
        in.seek(blockEnd, what);
        if (block + 1 < blocks) out.colourChange();
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
