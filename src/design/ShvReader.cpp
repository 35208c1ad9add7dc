// Husqvarna Viking SHV: a text notice, the design's name and a 4-bit picture, then the colour
// blocks, each its length in two-byte words and a chart number, then one stream of big-endian
// moves (y pointing down) with 0x80 escapes, cut into colours by those lengths alone.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/RecordBuilder.h"

#include <vector>

namespace tessaline {

namespace {

constexpr std::size_t kNameOffset = 0x56;
constexpr std::size_t kDesignSummarySize = 18;  // extents and word count, not needed to stitch
constexpr std::size_t kBlockTailSize = 9;

// Skips the picture: its number of lines, pixels a line (two to a byte), four bytes of sizes, then
// the pixels. A picture too big for one-byte sizes is flagged 0xFF 0xFF 0x01 and laid out otherwise.
void skipPicture(ByteReader& in) {
    const std::uint8_t lines = in.u8("the SHV picture size");
    const std::uint8_t pixels = in.u8("the SHV picture size");
    if (lines == 0xFF && pixels == 0xFF && in.remaining() > 0 && in.peek() == 0x01) {
        throw DesignFormatError("SHV designs with a large preview picture cannot be read yet");
    }
    in.skip(4, "the SHV picture size");
    in.skip(std::size_t{lines} * ((pixels + 1u) / 2u), "the SHV picture");
}

}  // namespace

DecodedDesign readShv(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader in(bytes);
    in.seek(kNameOffset, "the SHV design name");
    in.skip(in.u8("the SHV design name"), "the SHV design name");
    skipPicture(in);

    DecodedDesign design;
    design.format = DesignFormat::Shv;
    const std::uint8_t colours = in.u8("the SHV colour count");
    in.skip(kDesignSummarySize, "the SHV header");
    // Where each colour ends, counted in words from the start of the stream.
    std::vector<std::uint64_t> blockEnds;
    std::uint64_t words = 0;
    for (std::uint8_t i = 0; i < colours; ++i) {
        words += in.u32be("the SHV colour list");
        blockEnds.push_back(words);
        design.threads.push_back(shvThread(in.u8("the SHV colour list")));
        in.skip(kBlockTailSize, "the SHV colour list");
    }
    if (words > in.remaining() / 2) throw DesignFormatError("the SHV colour blocks run past the end of the file");

    RecordBuilder out(sink);
    const std::size_t streamStart = in.position();
    bool jumping = false;  // a long move starts a run of jumps that 0x80 0x02 ends
    for (std::size_t block = 0; block < blockEnds.size(); ++block) {
        if (block > 0) out.colourChange();
        while ((in.position() - streamStart) / 2 < blockEnds[block]) {
            const std::int8_t dx = in.s8("an SHV stitch");
            const std::int8_t dy = in.s8("an SHV stitch");
            if (static_cast<std::uint8_t>(dx) != 0x80) {
                if (jumping) out.jump(dx, dy);
                else out.stitch(dx, dy);
                continue;
            }
            switch (static_cast<std::uint8_t>(dy)) {
                case 0x01: {
                    const int longX = in.s16be("a long SHV move");
                    const int longY = in.s16be("a long SHV move");
                    out.jump(longX, longY);
                    jumping = true;
                    break;
                }
                case 0x02: jumping = false; break;
                case 0x03: break;  // marks nothing a machine acts on
                default: throw DesignFormatError("unknown SHV command");
            }
        }
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
