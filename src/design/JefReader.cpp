// Janome JEF: a little-endian header with the stitch list's offset and the chart numbers of
// the threads, then Janome's stitch list.

#include "design/FormatReaders.h"
#include "design/JanomeStitches.h"

#include <algorithm>
#include <cstdlib>

namespace tessaline {

namespace {

constexpr std::size_t kColourCountOffset = 24;
constexpr std::size_t kColourListOffset = 116;

}  // namespace

std::vector<DesignThread> jefBlockThreads(const std::vector<std::size_t>& chartNumbers) {
    // Chart number 0 is a stop, not a thread: the needle keeps the thread it has (a stop before
    // the first thread keeps the one that comes first).
    const auto first = std::find_if(chartNumbers.begin(), chartNumbers.end(), [](std::size_t n) { return n % jefThreadCount() != 0; });
    if (first == chartNumbers.end()) return {};
    std::vector<DesignThread> threads;
    threads.reserve(chartNumbers.size());
    std::size_t current = *first;
    for (const std::size_t number : chartNumbers) {
        if (number % jefThreadCount() != 0) current = number;
        threads.push_back(jefThread(current));
    }
    return threads;
}

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
    std::vector<std::size_t> numbers(colours);
    for (std::size_t& number : numbers) number = static_cast<std::size_t>(std::llabs(header.s32le("the JEF colour list")));
    design.threads = jefBlockThreads(numbers);

    ByteReader in(bytes, stitches);
    RecordBuilder out(sink);
    readJanomeStitches(in, out, "JEF");
    design.figures = out.figures();
    return design;
}

}  // namespace tessaline
