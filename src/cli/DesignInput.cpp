// The design a command reads: its file's bytes and their placed decoding, failures as CommandFailure.

#include "cli/Commands.h"
#include "design/DesignFile.h"
#include "design/FormatTable.h"

namespace tessaline::cli {

std::vector<std::uint8_t> readDesignInput(const std::string& path) {
    try {
        return readDesignFile(path);
    } catch (const DesignFileError& e) {
        throw CommandFailure(e.what());
    }
}

PlacedDesign decodeDesignInput(const std::string& path, std::span<const std::uint8_t> bytes, Placement placement,
                               const RecordSink& sink) {
    try {
        return decodePlacedDesignFile(path, bytes, placement, sink);
    } catch (const DesignFileError& e) {
        throw CommandFailure(e.what());
    }
}

std::string designFormatsHelp() { return formatSampleList(7, FormatSample::Leading); }

void addOriginOption(CLI::App& command, Placement& placement) {
    const CLI::Validator word(
        [](std::string& text) {
            return parsePlacement(text) ? std::string() : "must be auto, centre or file, not '" + text + "'";
        },
        "auto|centre|file");
    command
        .add_option_function<std::string>(
            "--origin", [&placement](const std::string& text) { placement = parsePlacement(text).value_or(placement); },
            "Where the design lies: auto centres designs of home-machine formats (PES, PEC, JEF,\n"
            "SEW, VP3, XXX, HUS, SHV, PCS) on the origin and keeps DST and EXP as in the file;\n"
            "centre centres every design; file keeps the file's own coordinates")
        ->check(word)
        ->default_str(std::string(placementWord(Placement::Automatic)));
}

}  // namespace tessaline::cli
