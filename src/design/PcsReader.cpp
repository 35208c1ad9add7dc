// Pfaff PCS: a colour table of little-endian RGB slots, then 9-byte records holding ABSOLUTE
// 24-bit positions in 1/6 mm (y up) and a control byte: 0x01 colour change (to the slot in the
// record's first byte), 0x04 jump.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

#include <vector>

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

    std::vector<DesignThread> slots;
    for (std::uint16_t i = 0; i < colours; ++i) {
        DesignThread thread;
        thread.red = in.u8("the PCS colour table");
        thread.green = in.u8("the PCS colour table");
        thread.blue = in.u8("the PCS colour table");
        in.u8("the PCS colour table");
        slots.push_back(thread);
    }
    in.u16le("the PCS stitch count");  // the records run to the end of the file, whatever it says

    // A colour change names the slot the next block stitches with. One before the first move only
    // names the first block's slot: it changes nothing on the machine, so it gives no record.
    std::vector<std::size_t> blockSlots{0};
    RecordBuilder out(sink, kUnitsPerMm);
    while (in.remaining() >= kRecordSize) {
        const std::uint8_t slot = in.u8("a PCS record");  // or the fraction of x of a move
        const std::int64_t x = signed24(u24le(in));
        in.u8("a PCS record");  // fraction of y
        const std::int64_t y = -signed24(u24le(in));
        const std::uint8_t control = in.u8("a PCS record");
        if (control & 0x01) {
            if (out.records() == 0) {
                blockSlots.back() = slot;
            } else {
                out.colourChange();  // its position fields carry nothing
                blockSlots.push_back(slot);
            }
        } else if ((control & 0x04) || out.records() == 0) {
            // Positions are absolute, so the first one is where the needle starts: reaching it
            // from the frame's origin is a jump, not a stitch.
            out.jump(x - out.x(), y - out.y());
        } else {
            out.stitch(x - out.x(), y - out.y());
        }
    }
    out.end();

    DecodedDesign design;
    design.format = DesignFormat::Pcs;
    design.figures = out.figures();
    if (!slots.empty()) {
        for (const std::size_t slot : blockSlots) design.threads.push_back(slots[slot % slots.size()]);
    }
    return design;
}

}  // namespace tessaline
