#include "design/FigureTexts.h"

#include "common/NumberFormat.h"

namespace tessaline {

namespace {

// Two decimals at most: a design off the 0.1 mm grid (PCS counts in thirds of it) would
// otherwise show fifteen digits and be cut off in its label.
constexpr int kFigureDecimals = 2;

std::string length(double value) { return formatRounded(value, kFigureDecimals); }

std::string millimetres(double value) { return length(value) + " mm"; }

// Counts come from file sizes, far below the signed 64-bit range.
std::string count(std::uint64_t value) { return formatInteger(static_cast<std::int64_t>(value)); }

}  // namespace

FigureTexts figureTexts(const DesignFigures& figures, const std::string& fileName) {
    FigureTexts texts;
    texts.fileName = fileName;
    texts.minX = millimetres(figures.minX);
    texts.minY = millimetres(figures.minY);
    texts.maxX = millimetres(figures.maxX);
    texts.maxY = millimetres(figures.maxY);
    texts.stitches = count(figures.records);
    texts.colours = count(figures.colours);
    texts.jumps = count(figures.jumps);
    texts.height = length(figures.height);
    texts.width = length(figures.width);
    texts.dimensions = texts.height + "mm x " + texts.width + "mm";
    return texts;
}

std::string bareFileName(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace tessaline
