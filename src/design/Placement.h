#pragma once
// Where a design lands on the table. Home machines centre a design in their hoop, so a design
// from their formats is placed with the centre of its extents on the origin; DST and EXP count
// from the needle's start point and keep it. Every consumer reads the placed records.

#include "design/DesignFormat.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace tessaline {

enum class Placement {
    Automatic,  // centred for home-machine formats, as in the file for DST and EXP
    Centred,
    AsInFile,
};

// "auto", "centre", "file": the words of --origin and of the remembered setting.
std::string_view placementWord(Placement placement);
// One of those words (or "center"); nothing for any other text.
std::optional<Placement> parsePlacement(std::string_view word);

// Whether placement moves a design of that format to centre it.
bool centresDesign(Placement placement, DesignFormat format);

// A move of the whole design in millimetres, always whole tenths.
struct DesignShift {
    double x = 0;
    double y = 0;
    bool isZero() const { return x == 0 && y == 0; }
};

// The shift that puts the centre of the extents on the origin, rounded to 0.1 mm so that a design
// on the 0.1 mm grid stays on it.
DesignShift centringShift(const DesignFigures& figures);
// The figures of the design moved by shift: extents move, sizes and counts stay.
DesignFigures shiftedFigures(DesignFigures figures, DesignShift shift);
// A sink that hands sink each record moved by shift (sink itself when shift moves nothing).
RecordSink shiftedSink(DesignShift shift, const RecordSink& sink);

struct PlacedDesign {
    DecodedDesign design;  // figures of the placed design
    DesignShift shift;     // what was added to every position of the file
};

// decodeDesign with the design placed. A design to be centred is decoded twice, first without
// sink: its extents are known only once its last record is read.
PlacedDesign decodePlacedDesign(DesignFormat format, std::span<const std::uint8_t> bytes, Placement placement,
                                const RecordSink& sink);
// decodeDesignFile with the design placed; the same errors.
PlacedDesign decodePlacedDesignFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                    Placement placement, const RecordSink& sink);
// Another pass over a design already placed: decodeDesign with every record moved by shift.
DecodedDesign decodeShiftedDesign(DesignFormat format, std::span<const std::uint8_t> bytes, DesignShift shift,
                                  const RecordSink& sink);

}  // namespace tessaline
