#include "design/FigureTexts.h"

#include "common/NumberFormat.h"

namespace tessaline {

namespace {

std::string millimetres(double value) { return formatNumber(value) + " mm"; }

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
    texts.height = formatNumber(figures.height);
    texts.width = formatNumber(figures.width);
    texts.dimensions = texts.height + "mm x " + texts.width + "mm";
    return texts;
}

std::string bareFileName(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace tessaline
