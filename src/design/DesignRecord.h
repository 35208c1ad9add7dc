#pragma once
// The design as the rest of the system sees it: one record per stitch, jump or colour
// change, each holding the position where that record's own move starts.

#include <cstdint>
#include <string>

namespace tessaline {

// Stored as the kind letter; any other letter (or none) is a record that draws and writes nothing.
enum class RecordKind : char {
    Stitch = 'N',
    Jump = 'J',
    ColourChange = 'C',  // also the end-of-design record
    Trim = 'T',          // a thread cut the design file encodes; moves nothing, writes and draws nothing
    Other = '?',
};

struct DesignRecord {
    RecordKind kind = RecordKind::Other;
    double x = 0;  // millimetres, start point of the record's move
    double y = 0;  // millimetres, DST y negated so that y grows downward
};

// The figures of a loaded design, in the units the window shows them.
struct DesignFigures {
    std::uint64_t records = 0;  // every 3-byte record read, whatever its kind
    std::uint64_t jumps = 0;    // "J" records
    std::uint64_t colours = 1;  // 1 when the boundary counter is 1 or 2, else the counter minus 1
    double minX = 0, minY = 0, maxX = 0, maxY = 0;  // mm, over positions reached after each move
    double width = 0;   // mm, maxX - minX
    double height = 0;  // mm, maxY - minY
};

// A design's extents and counts as a reader keeps them while decoding: positions in its own units.
struct FigureTally {
    std::uint64_t records = 0;
    std::uint64_t jumps = 0;
    std::uint64_t boundaries = 1;  // the format's colour-boundary counter
    std::int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;

    // Counts one record whose move ended at x y.
    void reached(std::int64_t x, std::int64_t y) {
        if (records == 0) {
            minX = maxX = x;
            minY = maxY = y;
        } else {
            minX = x < minX ? x : minX;
            maxX = x > maxX ? x : maxX;
            minY = y < minY ? y : minY;
            maxY = y > maxY ? y : maxY;
        }
        ++records;
    }

    // The figures, unitsPerMm of the reader's units making a millimetre.
    DesignFigures figures(double unitsPerMm) const {
        const auto mm = [unitsPerMm](std::int64_t units) { return static_cast<double>(units) / unitsPerMm; };
        DesignFigures f;
        f.records = records;
        f.jumps = jumps;
        f.colours = boundaries <= 2 ? 1 : boundaries - 1;
        f.minX = mm(minX);
        f.minY = mm(minY);
        f.maxX = mm(maxX);
        f.maxY = mm(maxY);
        f.width = mm(maxX - minX);
        f.height = mm(maxY - minY);
        return f;
    }
};

}  // namespace tessaline
