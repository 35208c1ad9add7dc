// The options that shape a program, as convert and send take them, and the choices they make.

#include "cli/Commands.h"

#include "common/NumberFormat.h"
#include "design/FormatTable.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tessaline::cli {

namespace {

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
    ProgramChoices& choices = arguments.choices;
    command.add_option("--notes", choices.notes, "Text of the \"Important Notes:\" header line")->capture_default_str();
    command.add_option("--feed", choices.feedText,
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
    command.add_option("--from-stitch", choices.resumeFrom,
                       "Resume at needle move N (stitches and jumps counted from 1, as `info` reports\n"
                       "needle_moves): the same header, a needle-held travel to that move, the needle\n"
                       "axis declared at the number the whole program has there, then the whole program\n"
                       "from that move's line on")
        ->type_name("N");
    command.add_option("--tie-in", choices.tieIns,
                       "With --from-stitch: N needle strokes in place at the resume point before it, to\n"
                       "lock the new thread (0 to 20; default 0)")
        ->type_name("N");
    command.add_flag("--invert-x", choices.invertX, "Write every X word with the opposite sign");
    command.add_flag("--invert-y", choices.invertY, "Write every Y word with the opposite sign");
    addOriginOption(command, arguments.placement);

    // The header and footer codes are on by default; each flag leaves one out.
    const auto addOmitFlag = [&command](const std::string& code, bool& emit) {
        command.add_flag_callback("--no-" + CLI::detail::to_lower(code), [&emit] { emit = false; },
                                  "Leave out the " + code + " line");
    };
    addOmitFlag("G90", choices.emitG90);
    addOmitFlag("G21", choices.emitG21);
    addOmitFlag("G64", choices.emitG64);
    addOmitFlag("M786", choices.emitM786);
    addOmitFlag("M02", choices.emitM02);
    addOmitFlag("M30", choices.emitM30);
}

ProgramChoices checkedChoices(ProgramChoices choices, const std::string& profile) {
    // The resume point and the feed are refused before the profile is looked up, as they always
    // were; the needle step, which the profile bounds, after it.
    try {
        checkChoices(choices);
    } catch (const SessionOptionError& e) {
        if (e.field() != OptionField::NeedleStep) throw;
    }
    if (!profile.empty()) choices.profile = resolveProfileOption(profile);
    checkChoices(choices);
    return choices;
}

ProgramChoices checkedChoices(const ProgramArguments& arguments) {
    ProgramChoices choices = arguments.choices;
    // The text has passed checkZStep, so the lenient reading gives exactly its number.
    choices.needleStep = parseLenient(arguments.zStepText);
    return checkedChoices(choices, arguments.profile);
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
