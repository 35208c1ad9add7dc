// `trace`: a short program that travels the design's outline with the needle held, to check the
// hoop before stitching.

#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "design/DesignFormat.h"
#include "design/FigureTexts.h"
#include "gcode/FeedText.h"
#include "gcode/GcodeGenerator.h"

#include <iostream>
#include <memory>
#include <string>

namespace tessaline::cli {

namespace {

struct TraceArguments {
    std::string input;
    std::string output;
    std::string profile;
    double dwellSeconds = 0.5;
    Placement placement = Placement::Automatic;
    GcodeOptions options;
};

void trace(TraceArguments& arguments) {
    if (const auto problem = feedTextProblem(arguments.options.feedText)) throw CommandFailure(*problem);
    if (!arguments.profile.empty()) arguments.options.profile = resolveProfileOption(arguments.profile);
    const bool toStandardOutput = isStandardOutput(arguments.output);
    if (!toStandardOutput) refuseSameFile(arguments.input, arguments.output);
    const std::vector<std::uint8_t> bytes = readDesignInput(arguments.input);
    const DesignFigures figures = decodeDesignInput(arguments.input, bytes, arguments.placement, {}).design.figures;
    const FigureTexts texts = figureTexts(figures, bareFileName(arguments.input));
    GcodeOptions& options = arguments.options;
    options.fileName = texts.fileName;
    options.heightText = texts.height;
    options.widthText = texts.width;
    options.stitchCountText = texts.stitches;
    options.colourCountText = texts.colours;
    options.notes = kOutlineTraceNotes;

    if (toStandardOutput) {
        writeOutlineTrace(options, figures, arguments.dwellSeconds, std::cout);
        if (!std::cout) throw CommandFailure("standard output: the program could not be written");
        return;
    }
    try {
        writeFileAtomically(arguments.output, [&](std::ostream& out) {
            writeOutlineTrace(options, figures, arguments.dwellSeconds, out);
        });
    } catch (const FileWriteError& e) {
        throw CommandFailure(e.what());
    }
}

}  // namespace

void addTraceCommand(CLI::App& app) {
    auto arguments = std::make_shared<TraceArguments>();
    CLI::App* command = app.add_subcommand(
        "trace", "Write a program that travels the corners of the design's extents with the needle held,\n"
                 "pausing at each, then returns to the start: a check that the hoop holds the design.");
    command->add_option("design", arguments->input, "Design file to trace")->required()->type_name("DESIGN");
    command->add_option("-o,--output", arguments->output,
                        "Program file to write (replaced atomically); standard output when absent or -")
        ->type_name("OUT");
    command->add_option("--profile", arguments->profile,
                        "Machine profile: a name from `tessaline-cli profiles`, or a .toml file (default Classic)")
        ->type_name("NAME|FILE");
    command->add_option("--dwell", arguments->dwellSeconds, "Pause at each corner, in seconds")
        ->check(CLI::NonNegativeNumber & CLI::Range(0.0, 3600.0))
        ->capture_default_str()
        ->type_name("S");
    command->add_option("--feed", arguments->options.feedText, "Feed text of the header's feed line")
        ->capture_default_str();
    command->add_flag("--invert-x", arguments->options.invertX, "Write every X word with the opposite sign");
    command->add_flag("--invert-y", arguments->options.invertY, "Write every Y word with the opposite sign");
    addOriginOption(*command, arguments->placement);
    command->callback([arguments] { trace(*arguments); });
}

}  // namespace tessaline::cli
