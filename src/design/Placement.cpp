#include "design/Placement.h"

#include "design/FormatTable.h"

#include <cmath>

namespace tessaline {

namespace {

// Minus the centre of [low, high] in whole tenths of a millimetre; never a negative zero.
double centringTenths(double low, double high) {
    const double tenths = std::round((low + high) * 5.0);
    return tenths == 0 ? 0.0 : -tenths / 10.0;
}

template <class Decode>
PlacedDesign place(const Decode& decode, DesignFormat format, Placement placement, const RecordSink& sink) {
    PlacedDesign placed;
    if (!centresDesign(placement, format)) {
        placed.design = decode(sink);
        return placed;
    }
    placed.design = decode(RecordSink{});
    placed.shift = centringShift(placed.design.figures);
    if (sink) decode(shiftedSink(placed.shift, sink));
    placed.design.figures = shiftedFigures(placed.design.figures, placed.shift);
    return placed;
}

}  // namespace

std::string_view placementWord(Placement placement) {
    switch (placement) {
        case Placement::Automatic: return "auto";
        case Placement::Centred: return "centre";
        case Placement::AsInFile: return "file";
    }
    return "auto";
}

std::optional<Placement> parsePlacement(std::string_view word) {
    if (word == "auto") return Placement::Automatic;
    if (word == "centre" || word == "center") return Placement::Centred;
    if (word == "file") return Placement::AsInFile;
    return std::nullopt;
}

bool centresDesign(Placement placement, DesignFormat format) {
    switch (placement) {
        case Placement::Automatic: return formatRow(format).centredAutomatically;
        case Placement::Centred: return true;
        case Placement::AsInFile: return false;
    }
    return false;
}

DesignShift centringShift(const DesignFigures& figures) {
    return {centringTenths(figures.minX, figures.maxX), centringTenths(figures.minY, figures.maxY)};
}

DesignFigures shiftedFigures(DesignFigures figures, DesignShift shift) {
    figures.minX += shift.x;
    figures.maxX += shift.x;
    figures.minY += shift.y;
    figures.maxY += shift.y;
    return figures;
}

RecordSink shiftedSink(DesignShift shift, const RecordSink& sink) {
    if (shift.isZero() || !sink) return sink;
    return [shift, &sink](const DesignRecord& record) {
        sink(DesignRecord{record.kind, record.x + shift.x, record.y + shift.y});
    };
}

PlacedDesign decodePlacedDesign(DesignFormat format, std::span<const std::uint8_t> bytes, Placement placement,
                                const RecordSink& sink) {
    return place([&](const RecordSink& s) { return decodeDesign(format, bytes, s); }, format, placement, sink);
}

PlacedDesign decodePlacedDesignFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                    Placement placement, const RecordSink& sink) {
    return place([&](const RecordSink& s) { return decodeDesignFile(path, bytes, s); }, detectFormat(bytes, path),
                 placement, sink);
}

DecodedDesign decodeShiftedDesign(DesignFormat format, std::span<const std::uint8_t> bytes, DesignShift shift,
                                  const RecordSink& sink) {
    return decodeDesign(format, bytes, shiftedSink(shift, sink));
}

}  // namespace tessaline
