// Husqvarna Viking HUS: a little-endian header with the stitch count, the extents and the offsets
// of three compressed streams holding one byte a stitch each (its kind, its x move, its y move
// pointing up), then the threads' chart numbers.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"
#include "design/HusExpander.h"
#include "design/RecordBuilder.h"

#include <algorithm>
#include <string>

namespace tessaline {

namespace {

constexpr std::uint32_t kSignature = 0x00C8FC5D;
constexpr std::uint32_t kOtherSignature = 0x00C8AF5B;
constexpr std::size_t kExtentsSize = 8;
constexpr std::size_t kColourListOffset = 42;
// The stitch streams are compressed, so a few bytes of back references can claim millions of
// stitches. Real files hold under two stitches a byte: every stitch keeps its own x and y byte,
// and a real design's moves vary too much for back references to pack them much tighter. 32 a
// byte leaves ample room for the most regular design and still bounds what a file can expand to.
constexpr std::uint64_t kMaxStitchesPerFileByte = 32;

enum Kind : std::uint8_t { Stitch = 0x80, Jump = 0x81, ColourChange = 0x84, Trim = 0x88, End = 0x90 };

}  // namespace

DecodedDesign readHus(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    ByteReader header(bytes);
    const std::uint32_t signature = header.u32le("the HUS header");
    if (signature != kSignature && signature != kOtherSignature) throw DesignFormatError("the HUS signature is missing");
    const std::uint32_t stitches = header.u32le("the HUS header");
    const std::uint32_t colours = header.u32le("the HUS header");
    header.skip(kExtentsSize, "the HUS header");
    const std::uint32_t kindsAt = header.u32le("the HUS header");
    const std::uint32_t xAt = header.u32le("the HUS header");
    const std::uint32_t yAt = header.u32le("the HUS header");
    if (stitches > std::min<std::uint64_t>(kMaxDesignRecords, kMaxStitchesPerFileByte * bytes.size())) {
        throw DesignFormatError("the HUS stitch count is too large: " + std::to_string(stitches) +
                                " stitches cannot come from a file of " + std::to_string(bytes.size()) + " bytes");
    }
    if (colours > (bytes.size() - std::min(bytes.size(), kColourListOffset)) / 2) {
        throw DesignFormatError("the colour count does not fit the file");
    }
    if (kindsAt < kColourListOffset + 2 * std::size_t{colours} || kindsAt > xAt || xAt > yAt || yAt > bytes.size()) {
        throw DesignFormatError("the HUS stitch streams lie outside the file");
    }

    DecodedDesign design;
    design.format = DesignFormat::Hus;
    header.seek(kColourListOffset, "the HUS colour list");
    design.threads.reserve(colours);
    for (std::uint32_t i = 0; i < colours; ++i) design.threads.push_back(husThread(header.u16le("the HUS colour list")));

    const auto kinds = expandHusStream(bytes.subspan(kindsAt, xAt - kindsAt), stitches);
    const auto xs = expandHusStream(bytes.subspan(xAt, yAt - xAt), stitches);
    const auto ys = expandHusStream(bytes.subspan(yAt), stitches);

    RecordBuilder out(sink);
    for (std::uint32_t i = 0; i < stitches && kinds[i] != End; ++i) {
        const int dx = static_cast<std::int8_t>(xs[i]);
        const int dy = -static_cast<std::int8_t>(ys[i]);
        switch (kinds[i]) {
            case Stitch: out.stitch(dx, dy); break;
            case Jump: out.jump(dx, dy); break;
            case ColourChange:
                out.colourChange();
                if (dx != 0 || dy != 0) out.jump(dx, dy);
                break;
            case Trim:
                out.trim();
                if (dx != 0 || dy != 0) out.jump(dx, dy);
                break;
            default: throw DesignFormatError("unknown HUS stitch kind");
        }
    }
    out.end();
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
