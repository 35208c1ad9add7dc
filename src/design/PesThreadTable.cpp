// The thread table that PES sections from version 5 on carry in their header: the design's own
// thread colours, where the PEC block only names the nearest entries of Brother's chart.

#include "design/ByteReader.h"
#include "design/FormatReaders.h"

#include <algorithm>
#include <optional>

namespace tessaline {

namespace {

constexpr std::size_t kHeaderStart = 12;      // after "#PESvvvv" and the PEC block offset
constexpr std::size_t kPageSettings = 18 * 2;  // hoop, design page and grid words
constexpr std::size_t kTransform = 6 * 4;      // the design's affine transform, six floats
constexpr std::uint32_t kThreadEntryType = 0x0A;

std::string shortText(ByteReader& in, const char* what) {
    const std::uint8_t length = in.u8(what);
    return in.text(length, what);
}

// The table read with patternCounts pattern words before its count, or nothing when the bytes
// do not read through to the control code that ends the header.
std::optional<std::vector<DesignThread>> readTable(std::span<const std::uint8_t> section, int patternCounts,
                                                   std::size_t colourBlocks) {
    const char* what = "the PES header";
    ByteReader in(section, kHeaderStart);
    in.skip(2 + 2, what);  // a word, then two characters
    for (int i = 0; i < 5; ++i) shortText(in, what);  // name, category, author, keywords, comments
    in.skip(kPageSettings, what);
    shortText(in, what);  // the picture the design was drawn over
    in.skip(kTransform + 2 * static_cast<std::size_t>(patternCounts), what);
    const std::uint16_t count = in.u16le(what);
    if (count != colourBlocks) return std::nullopt;
    std::vector<DesignThread> threads(count);
    for (DesignThread& thread : threads) {
        thread.catalogNumber = shortText(in, what);
        thread.red = in.u8(what);
        thread.green = in.u8(what);
        thread.blue = in.u8(what);
        in.skip(1, what);
        if (in.u32le(what) != kThreadEntryType) return std::nullopt;
        thread.description = shortText(in, what);
        shortText(in, what);  // brand
        shortText(in, what);  // chart
    }
    in.skip(2, what);  // the object count
    const std::uint16_t more = in.u16le(what);
    if ((more != 0xFFFF && more != 0) || in.u16le(what) != 0) return std::nullopt;
    return threads;
}

}  // namespace

std::vector<DesignThread> pesThreadTable(std::span<const std::uint8_t> bytes, std::size_t colourBlocks) {
    if (bytes.size() < kHeaderStart || colourBlocks == 0) return {};
    int version = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') return {};
        version = version * 10 + (bytes[i] - '0');
    }
    if (version < 50) return {};
    ByteReader offset(bytes, 8);
    const std::size_t block = offset.u32le("the PES header");
    const auto section = bytes.first(std::min(block, bytes.size()));
    // Version 6 added a count of feather patterns before the thread count; the table is taken
    // from whichever layout reads cleanly, so a release that differs is never misread.
    for (const int patternCounts : {version >= 60 ? 3 : 2, version >= 60 ? 2 : 3}) {
        try {
            if (auto threads = readTable(section, patternCounts, colourBlocks)) return *threads;
        } catch (const DesignFormatError&) {
        }
    }
    return {};
}

}  // namespace tessaline
