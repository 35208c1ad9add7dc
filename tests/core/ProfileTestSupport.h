#pragma once
// Designs and programs shared by the profile tests.

#include "design/DesignFile.h"
#include "design/DstDecoder.h"
#include "design/FigureTexts.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/MachineProfile.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline::test {

struct LoadedDesign {
    std::string name;
    std::vector<DesignRecord> records;
    GcodeOptions options;  // figure texts filled in, Classic, defaults otherwise
};

// The real designs beside the checkout, sorted by name; empty when they are absent.
inline std::vector<LoadedDesign> realDesigns() {
    std::vector<LoadedDesign> designs;
    const std::filesystem::path dir = TESSALINE_REAL_DST_DIR;
    if (!std::filesystem::is_directory(dir)) return designs;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".dst") continue;
        LoadedDesign design;
        design.name = entry.path().filename().string();
        const auto bytes = readDesignFile(entry.path());
        const DesignFigures figures =
            decodeDst(bytes, [&design](const DesignRecord& record) { design.records.push_back(record); });
        const FigureTexts texts = figureTexts(figures, design.name);
        design.options.fileName = texts.fileName;
        design.options.heightText = texts.height;
        design.options.widthText = texts.width;
        design.options.stitchCountText = texts.stitches;
        design.options.colourCountText = texts.colours;
        design.options.recordCount = figures.records;
        designs.push_back(std::move(design));
    }
    std::sort(designs.begin(), designs.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return designs;
}

inline std::string program(GcodeOptions options, const std::vector<DesignRecord>& records,
                           std::shared_ptr<const MachineProfile> profile) {
    options.profile = std::move(profile);
    std::ostringstream out;
    generateGcode(options, records, out);
    return out.str();
}

// Whether the colour change at records[at] stops in the profile's program: one with no needle
// move after it is the design's end, and only a profile that keeps that stop (Classic) writes it.
inline bool colourChangeStops(const std::vector<DesignRecord>& records, std::size_t at, const MachineProfile& p) {
    if (p.finalColourStop) return true;
    return std::any_of(records.begin() + static_cast<std::ptrdiff_t>(at), records.end(), [](const DesignRecord& r) {
        return r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump;
    });
}

// The profile's re-base line declaring the needle at position ("0", "40").
inline std::string rebaseLine(const MachineProfile& p, const std::string& position) {
    std::string line = p.rebaseLine;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{axis}", p.needleAxis}, {"{position}", position}}) {
        if (const auto at = line.find(key); at != std::string::npos) line.replace(at, key.size(), value);
    }
    return line;
}

// Splits on LF, dropping a CR before it.
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace tessaline::test
