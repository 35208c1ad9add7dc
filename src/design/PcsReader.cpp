// Pfaff PCS: a colour table of little-endian RGB slots, then 9-byte records holding ABSOLUTE
// 24-bit positions in 1/6 mm (y up) and a control byte: 0x01 colour change, 0x04 jump.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

namespace tessaline {

namespace {

constexpr double kUnitsPerMm = 6.0;
constexpr std::size_t kRecordSize = 9;

std::int64_t signed24(std::uint32_t value) {
    return (value & 0x800000) ? static_cast<std::int64_t>(value) - 0x1000000 : static_cast<std::int64_t>(value);
}

std::uint32_t u24le(ByteReader& in) {
    const std::uint32_t low = in.u8("a PCS record");
    const std::uint32_t mid = in.u8("a PCS record");
    const std::uint32_t high = in.u8("a PCS record");
    return low | (mid << 8) | (high << 16);
}

}  // namespace

DecodedDesign readPcs(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader in(bytes, 2);
    const std::uint16_t colours = in.u16le("the PCS header");
    if (colours > in.remaining() / 4) throw DesignFormatError("the colour count does not fit the file");

    DecodedDesign design;
    design.format = DesignFormat::Pcs;
    // Every colour slot is listed, used or not.
    for (std::uint16_t i = 0; i < colours; ++i) {
        DesignThread thread;
        thread.red = in.u8("the PCS colour table");
        thread.green = in.u8("the PCS colour table");
        thread.blue = in.u8("the PCS colour table");
        in.u8("the PCS colour table");
        design.threads.push_back(thread);
    }
    in.u16le("the PCS stitch count");  // the records run to the end of the file, whatever it says

    RecordBuilder out(sink, kUnitsPerMm);
    while (in.remaining() >= kRecordSize) {
        in.u8("a PCS record");  // fraction of x, or the colour slot of a colour change
        const std::int64_t x = signed24(u24le(in));
        in.u8("a PCS record");  // fraction of y
        const std::int64_t y = -signed24(u24le(in));
        const std::uint8_t control = in.u8("a PCS record");
        if (control & 0x01) {
            out.colourChange();  // its position fields carry nothing
        } else if (control & 0x04) {
            out.jump(x - out.x(), y - out.y());
        } else {
            out.stitch(x - out.x(), y - out.y());
        }
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
