#include "preview/model/GcodeLineParse.h"

#include "common/NumberFormat.h"

#include <cmath>

namespace tessaline {

namespace {

constexpr std::size_t kYTextLength = 7;
// "G01 X": the x-text runs from after "X" up to the "Y", which is b - 6 characters when
// "X" stands in column 5.
constexpr std::size_t kColumnsBeforeXText = 6;

std::string_view slice(std::string_view text, std::size_t from, std::size_t count) {
    return from >= text.size() ? std::string_view{} : text.substr(from, count);
}

}  // namespace

std::optional<TrackedPoint> parseTrackedLine(std::string_view line) {
    const std::size_t xAt = line.find('X');
    const std::size_t yAt = line.find('Y');
    if (xAt == std::string_view::npos || yAt == std::string_view::npos) return std::nullopt;
    const std::size_t a = xAt + 1;  // 1-based columns
    const std::size_t b = yAt + 1;
    if (b < kColumnsBeforeXText) return std::nullopt;
    // The y-text would be cut to its last b + 1 characters, but with b >= 6 its seven never exceed that.
    const TrackedPoint point{parseLenient(slice(line, a, b - kColumnsBeforeXText)),
                             parseLenient(slice(line, b, kYTextLength))};
    // "1e999" reads as infinity, which has no place on the canvas.
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return std::nullopt;
    return point;
}

std::string coordinateReadout(double x, double y) {
    return "X: " + formatNumber(x) + " Y: " + formatNumber(y);
}

}  // namespace tessaline
