// The program a command writes or sends: the options that shape it, read and checked once, and
// the design it is made of.

#include "cli/Commands.h"

#include "common/NumberFormat.h"
#include "design/FigureTexts.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/FeedText.h"
#include "gcode/NeedlePlan.h"
#include "gcode/ScratchProgram.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tessaline::cli {

namespace {

// The needle move to resume at, as typed: digits only. 0 and negative numbers are usage
// errors; a number past what 64 bits hold is kept as its text, for the refusal to name it.
struct ResumePoint {
    std::uint64_t move = 0;
    bool beyond = false;  // more than any design can have
    std::string text;     // the number without leading zeros
};

ResumePoint readResumePoint(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        throw CLI::ValidationError("--from-stitch", "must be a whole number of needle moves, not '" + text + "'");
    }
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (negative || digits == "0") {
        throw CLI::ValidationError("--from-stitch", "'" + text + "': needle moves count from 1");
    }
    ResumePoint point;
    point.text = std::string(digits);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), point.move);
    point.beyond = error != std::errc() || end != digits.data() + digits.size();
    return point;
}

// Strict where the window's list is lenient: a mistyped step is a usage error, not a zero.
std::string checkZStep(std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last || !std::isfinite(value) || !(value > 0)) {
        return "must be a number greater than 0, not '" + text + "'";
    }
    return {};
}

}  // namespace

void addProgramOptions(CLI::App& command, ProgramArguments& arguments) {
    GcodeOptions& options = arguments.options;
    command.add_option("--notes", options.notes, "Text of the \"Important Notes:\" header line")->capture_default_str();
    command.add_option("--feed", options.feedText,
                       "Feed of the \"F \" line: a number greater than 0 in digits, at most one decimal point (or empty)")
        ->capture_default_str();
    command.add_option("--z-step", arguments.zStepText,
                       "Advance of the needle drive's Z axis per move and per stroke, a number greater than 0\n"
                       "in whole thousandths of a millimetre, within the profile's range and digits")
        ->check(CLI::Validator(checkZStep, ""))
        ->capture_default_str()
        ->type_name("N");
    command.add_option("--profile", arguments.profile,
                       "Machine profile: a name from `tessaline-cli profiles`, or a .toml file (default Classic)")
        ->type_name("NAME|FILE");
    command.add_option("--from-stitch", arguments.fromStitchText,
                       "Resume at needle move N (stitches and jumps counted from 1, as `info` reports\n"
                       "needle_moves): the same header, a needle-held travel to that move, the needle\n"
                       "axis declared at the number the whole program has there, then the whole program\n"
                       "from that move's line on")
        ->type_name("N");
    command.add_flag("--invert-x", options.invertX, "Write every X word with the opposite sign");
    command.add_flag("--invert-y", options.invertY, "Write every Y word with the opposite sign");
    addOriginOption(command, arguments.placement);

    // The header and footer codes are on by default; each flag leaves one out.
    const auto addOmitFlag = [&command](const std::string& code, bool& emit) {
        command.add_flag_callback("--no-" + CLI::detail::to_lower(code), [&emit] { emit = false; },
                                  "Leave out the " + code + " line");
    };
    addOmitFlag("G90", options.emitG90);
    addOmitFlag("G21", options.emitG21);
    addOmitFlag("G64", options.emitG64);
    addOmitFlag("M786", options.emitM786);
    addOmitFlag("M02", options.emitM02);
    addOmitFlag("M30", options.emitM30);
}

void PreparedProgram::walk(const RecordSink& sink) const {
    decodeShiftedDesign(placed.design.format, bytes, placed.shift, sink);
}

PreparedProgram prepareProgram(ProgramArguments& arguments, const std::function<void()>& beforeReading) {
    const ResumePoint resume = arguments.fromStitchText.empty() ? ResumePoint{} : readResumePoint(arguments.fromStitchText);
    if (const auto problem = feedTextProblem(arguments.options.feedText)) throw CommandFailure(*problem);
    if (!arguments.profile.empty()) arguments.options.profile = resolveProfileOption(arguments.profile);
    PreparedProgram prepared;
    GcodeOptions& options = prepared.options;
    options = arguments.options;
    // The text has passed checkZStep, so the lenient reading gives exactly its number.
    options.zStep = parseLenient(arguments.zStepText);
    const MachineProfile& profile = options.profile ? *options.profile : classicProfile();
    if (const auto problem = needleStepProblem(options.zStep, profile)) throw CLI::ValidationError("--z-step", *problem);
    options.resumeFrom = resume.move;
    if (beforeReading) beforeReading();
    prepared.bytes = readDesignInput(arguments.input);

    // The header needs the figures and the needle's travel before the first record is written,
    // so the design is decoded twice rather than held as records: decoding is cheap, a held
    // design is not.
    NeedlePlanner planner(profile, options.zStep);
    prepared.placed = decodeDesignInput(arguments.input, prepared.bytes, arguments.placement,
                                        [&planner](const DesignRecord& record) { planner.add(record); });
    const DecodedDesign& design = prepared.placed.design;
    const std::uint64_t needleMoves = planner.plan().moves;
    if (resume.beyond || options.resumeFrom > needleMoves) {
        throw CommandFailure(arguments.input + ": --from-stitch " + resume.text +
                             " is past the design's last needle move, " + formatUnsigned(needleMoves));
    }
    try {
        settleNeedle(options, planner.plan());
    } catch (const NeedleRangeError& e) {
        throw CommandFailure(arguments.input + ": " + e.what());
    }
    const FigureTexts texts = figureTexts(design.figures, bareFileName(arguments.input));
    options.recordCount = design.figures.records;
    options.fileName = texts.fileName;
    options.heightText = texts.height;
    options.widthText = texts.width;
    options.stitchCountText = texts.stitches;
    options.colourCountText = texts.colours;
    return prepared;
}

}  // namespace tessaline::cli
