#pragma once
// Reading the X and Y of a G-code line for the cross-hair on the preview.

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

struct TrackedPoint {
    double x = 0;
    double y = 0;
};

// The point a line sends the machine to, read from the text after its first "X" and first "Y"
// (case-sensitive) as motion lines lay them out: the X word starting in column 5. Comment lines
// that happen to hold both letters read the same way. Empty when the line has no "X", no "Y",
// its first "Y" lies in the first five columns, or a value overflows; the preview then stays as it is.
std::optional<TrackedPoint> parseTrackedLine(std::string_view line);

// "X: 12.5 Y: -3.25": the readout below the preview (cross-hair and needle alike).
std::string coordinateReadout(double x, double y);

}  // namespace tessaline
