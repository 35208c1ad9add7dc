#pragma once
// The figures of a design as the window's labels show them (and the generator's header reads them).

#include "design/DesignRecord.h"

#include <string>

namespace tessaline {

struct FigureTexts {
    std::string fileName;    // bare file name (Fname, Frame1 caption)
    std::string minX, minY, maxX, maxY;  // "<mm> mm"
    std::string stitches;    // lblStitch: record count
    std::string colours;     // LblColor
    std::string jumps;       // JStitch
    std::string height;      // lblH: plain number
    std::string width;       // lblW: plain number
    std::string dimensions;  // lblHe: "<H>mm x <W>mm"
};

FigureTexts figureTexts(const DesignFigures& figures, const std::string& fileName);

// The text after the last path separator ("/" or "\"); a name without one comes back whole.
std::string bareFileName(const std::string& path);

}  // namespace tessaline
