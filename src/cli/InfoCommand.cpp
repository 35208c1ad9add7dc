#include "cli/Commands.h"

#include "common/NumberFormat.h"
#include "design/HoopFit.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/MachineProfile.h"
#include "preview/model/TimeEstimate.h"
#include "session/Session.h"

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline::cli {

namespace {

struct InfoOptions {
    std::string design;
    bool json = false;
    MachineTimes machine;
    double hoopDiameter = 150;
    Placement placement = Placement::Automatic;
    std::string profile;  // for the needle travel; Classic when empty
    double zStep = 10;
};

// What info tells beyond the figures: where the needle goes and whether the hoop holds it.
struct NeedleFacts {
    std::uint64_t needleMoves = 0;  // stitch and jump records: the moves a resumed program counts
    double travel = 0;              // mm the needle axis must allow for the program
    HoopFit fit;
};

// Length of the well-formed UTF-8 sequence at the start of bytes, or 0 when it is not one
// (stray continuation bytes, overlong forms, surrogates, code points past U+10FFFF).
std::size_t utf8SequenceLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        least = 0x10000;
    }
    if (length == 0 || bytes.size() < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[k]);
        if ((next & 0xC0) != 0x80) return 0;
        point = (point << 6) | (next & 0x3F);
    }
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    return point >= least && point <= 0x10FFFF && !surrogate ? length : 0;
}

// A JSON string literal; bytes that are not valid UTF-8 become U+FFFD so the output always parses.
std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out += text.substr(i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0x0F];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string count(std::uint64_t value) { return formatInteger(static_cast<std::int64_t>(value)); }

JobCounts jobCounts(const DesignFigures& figures) {
    return {static_cast<double>(figures.records), static_cast<double>(figures.colours)};
}

// DST output stays as it always was; other formats add their name (and in JSON their threads).
bool reportsFormat(const DesignSession& design) { return design.format() != DesignFormat::Dst; }

std::string hexColour(const DesignThread& thread) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "#";
    for (const std::uint8_t part : {thread.red, thread.green, thread.blue}) {
        text += kHex[part >> 4];
        text += kHex[part & 0x0F];
    }
    return text;
}

std::string jsonThreads(const std::vector<DesignThread>& threads) {
    std::string out = "[";
    for (std::size_t i = 0; i < threads.size(); ++i) {
        if (i != 0) out += ", ";
        out += "{\"color\": \"" + hexColour(threads[i]) + "\", \"description\": " + jsonString(threads[i].description) +
               ", \"catalog_number\": " + jsonString(threads[i].catalogNumber) + "}";
    }
    return out + "]";
}

std::string plainReport(const DesignSession& design, const std::string& hoopLine, const std::string& estimate) {
    const FigureTexts& texts = design.texts();
    return "File: " + texts.fileName + "\n" +
           (reportsFormat(design) ? "Format: " + std::string(formatName(design.format())) + "\n" : std::string()) +
           "Total Stitches: " + texts.stitches + "\n" +
           "Total Colors: " + texts.colours + "\n" +
           "Jump Stitches: " + texts.jumps + "\n" +
           "Dimensions: " + texts.dimensions + "\n" +
           "Min. X: " + texts.minX + "\n" +
           "Min. Y: " + texts.minY + "\n" +
           "Max. X: " + texts.maxX + "\n" +
           "Max. Y: " + texts.maxY + "\n" +
           "Hoop: " + hoopLine + "\n" +
           estimate + "\n";
}

std::string jsonReport(const DesignSession& design, const NeedleFacts& needle, const MachineTimes& machine) {
    const DesignFigures& figures = design.figures();
    const std::optional<double> minutes = totalMinutes(jobCounts(figures), machine);
    return "{\"file\": " + jsonString(design.texts().fileName) +
           (reportsFormat(design) ? ", \"format\": " + jsonString(formatName(design.format())) : std::string()) +
           ", \"stitches\": " + count(figures.records) +
           ", \"colors\": " + count(figures.colours) +
           ", \"jumps\": " + count(figures.jumps) +
           ", \"min_x\": " + formatNumber(figures.minX) +
           ", \"min_y\": " + formatNumber(figures.minY) +
           ", \"max_x\": " + formatNumber(figures.maxX) +
           ", \"max_y\": " + formatNumber(figures.maxY) +
           ", \"width\": " + formatNumber(figures.width) +
           ", \"height\": " + formatNumber(figures.height) +
           ", \"needle_moves\": " + count(needle.needleMoves) +
           ", \"needle_travel_mm\": " + formatRounded(needle.travel, 3) +
           ", \"fits_hoop\": " + (needle.fit.fits ? "true" : "false") +
           ", \"hoop_margin_mm\": " + formatNumber(needle.fit.marginMm) +
           ", \"estimate\": " + jsonString(totalEstimateCaption(jobCounts(figures), machine)) +
           ", \"total_minutes\": " + (minutes ? formatNumber(*minutes) : std::string("null")) +
           (reportsFormat(design) ? ", \"threads\": " + jsonThreads(design.threads()) : std::string()) + "}\n";
}

void runInfo(const InfoOptions& options) {
    checkHoopDiameter(options.hoopDiameter);
    ProgramChoices asked;
    asked.needleStep = options.zStep;
    const ProgramChoices choices =
        checkedChoices(asked, options.profile.empty() ? std::string(kClassicProfileName) : options.profile);
    const DesignSession design = DesignSession::open(options.design, options.placement);
    const NeedlePlan plan = design.needlePlan(*choices.profile, options.zStep);
    NeedleFacts needle;
    needle.needleMoves = plan.moves;
    needle.travel = plan.travel;
    needle.fit = hoopFitOf(design, options.hoopDiameter);
    std::cout << (options.json ? jsonReport(design, needle, options.machine)
                               : plainReport(design, hoopFitText(needle.fit, options.hoopDiameter),
                                             totalEstimateCaption(jobCounts(design.figures()), options.machine)));
    // The plain figures stay as they always were unless a profile is asked about.
    if (!options.json && !options.profile.empty()) {
        std::cout << "Needle travel: " << formatRounded(needle.travel, 3) << " mm for " << choices.profile->name << "\n";
    }
    std::cout.flush();
    if (!std::cout) throw CommandFailure("standard output: the figures could not be written");
}

}  // namespace

void addInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand(
        "info", "Print the figures of a design (" + designFormatsHelp() + ") as the window shows them after opening it: file name,\n"
                "stitch, colour and jump counts, dimensions (height x width), extents in millimetres,\n"
                "whether the design fits the hoop, and the estimated total stitching time.");
    info->add_option("design", options->design, "The embroidery design file to read")
        ->required()
        ->type_name("DESIGN.dst");
    info->add_flag("--json", options->json,
                   "Print one JSON object instead: file, stitches, colors, jumps (integers),\n"
                   "min_x, min_y, max_x, max_y, width, height (numbers in millimetres), needle_moves\n"
                   "(stitch and jump records, as --from-stitch counts them), needle_travel_mm (the travel\n"
                   "the needle axis must allow for the program of --profile and --z-step), fits_hoop, hoop_margin_mm\n"
                   "(room left inside the hoop's edge; negative when the design reaches beyond it),\n"
                   "estimate (the time caption) and total_minutes (unrounded; null when --spm is not positive);\n"
                   "designs other than DST add format and threads (color \"#rrggbb\", description, catalog_number)");
    info->add_option("--spm", options->machine.stitchesPerMinute, "Machine speed in stitches per minute")
        ->default_val(100)
        ->type_name("N");
    info->add_option("--thread-change", options->machine.threadChangeMinutes, "Minutes per thread change")
        ->default_val(10)
        ->type_name("MIN");
    info->add_option("--hoop", options->machine.hoopMinutes, "Minutes for putting the hoop on")
        ->default_val(10)
        ->type_name("MIN");
    info->add_option("--hoop-diameter", options->hoopDiameter,
                     "Diameter of the round hoop, centred on the machine home, that the design must fit (above 0)")
        ->default_val(150)
        ->type_name("MM");
    addOriginOption(*info, options->placement);
    info->add_option("--profile", options->profile,
                     "Machine profile whose program's needle travel to report (a name or a .toml file; default Classic)")
        ->type_name("NAME|FILE");
    info->add_option("--z-step", options->zStep, "Needle step of that program, as convert takes it")
        ->default_val(10)
        ->type_name("N");
    info->callback([options] { runInfo(*options); });
}

}  // namespace tessaline::cli
