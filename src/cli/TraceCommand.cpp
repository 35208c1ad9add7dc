// `trace`: a short program that travels the design's outline with the needle held, to check the
// hoop before stitching.

#include "cli/Commands.h"

#include "session/Session.h"

#include <memory>
#include <string>

namespace tessaline::cli {

namespace {

struct TraceArguments {
    std::string input;
    OutputTarget output;
    std::string profile;
    double dwellSeconds = kTraceDwellSeconds;
    Placement placement = Placement::Automatic;
    ProgramChoices choices;
};

void trace(const TraceArguments& arguments) {
    const ProgramChoices choices = checkedChoices(arguments.choices, arguments.profile);
    arguments.output.refuseInput(arguments.input);
    const DesignSession session = DesignSession::open(arguments.input, arguments.placement);
    const GcodeOptions options = traceOptions(session, choices);
    arguments.output.write("program",
                           [&](std::ostream& out) { writeTrace(session, options, out, arguments.dwellSeconds); });
}

}  // namespace

void addTraceCommand(CLI::App& app) {
    auto arguments = std::make_shared<TraceArguments>();
    CLI::App* command = app.add_subcommand(
        "trace", "Write a program that travels the corners of the design's extents with the needle held,\n"
                 "pausing at each, then returns to the start: a check that the hoop holds the design.");
    command->add_option("design", arguments->input, "Design file to trace")->required()->type_name("DESIGN");
    command->add_option("-o,--output", arguments->output.path,
                        "Program file to write (replaced atomically); standard output when absent or -")
        ->type_name("OUT");
    command->add_option("--profile", arguments->profile,
                        "Machine profile: a name from `tessaline-cli profiles`, or a .toml file (default Classic)")
        ->type_name("NAME|FILE");
    command->add_option("--dwell", arguments->dwellSeconds, "Pause at each corner, in seconds")
        ->check(CLI::NonNegativeNumber & CLI::Range(0.0, 3600.0))
        ->capture_default_str()
        ->type_name("S");
    command->add_option("--feed", arguments->choices.feedText, "Feed text of the header's feed line")
        ->capture_default_str();
    command->add_flag("--invert-x", arguments->choices.invertX, "Write every X word with the opposite sign");
    command->add_flag("--invert-y", arguments->choices.invertY, "Write every Y word with the opposite sign");
    addOriginOption(*command, arguments->placement);
    command->callback([arguments] { trace(*arguments); });
}

}  // namespace tessaline::cli
