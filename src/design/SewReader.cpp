// Janome SEW: a little-endian colour count and that many chart numbers, a picture of the design,
// then Janome's stitch list at a fixed offset.

#include "design/FormatReaders.h"
#include "design/JanomeStitches.h"

namespace tessaline {

namespace {

constexpr std::size_t kStitchListOffset = 0x1D78;

}  // namespace

DecodedDesign readSew(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader header(bytes);
    const std::uint16_t colours = header.u16le("the SEW header");
    if (bytes.size() < kStitchListOffset) throw DesignFormatError("the file ends inside the SEW header");
    if (colours > (kStitchListOffset - 2) / 2) throw DesignFormatError("the colour count does not fit the header");

    DecodedDesign design;
    design.format = DesignFormat::Sew;
    design.threads.reserve(colours);
    for (std::uint16_t i = 0; i < colours; ++i) design.threads.push_back(sewThread(header.u16le("the SEW colour list")));

    ByteReader in(bytes, kStitchListOffset);
    RecordBuilder out(sink);
    readJanomeStitches(in, out, "SEW");
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
