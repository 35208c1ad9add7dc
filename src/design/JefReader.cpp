// Janome JEF: a little-endian header with the stitch list's offset and the chart numbers of
// the threads, then Janome's stitch list.

#include "design/FormatReaders.h"
#include "design/JanomeStitches.h"

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
    readJanomeStitches(in, out, "JEF");
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
