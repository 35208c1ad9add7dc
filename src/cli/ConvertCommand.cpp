// `convert`: the G-code program of a design, as the window's "SAVE GCODE" writes it.

#include "cli/Commands.h"

#include "session/Session.h"

#include <memory>
#include <string>

namespace tessaline::cli {

namespace {

struct ConvertArguments {
    ProgramArguments program;
    OutputTarget output;
};

void convert(const ConvertArguments& arguments) {
    const ProgramChoices choices = checkedChoices(arguments.program);
    arguments.output.refuseInput(arguments.program.input);
    const DesignSession session = DesignSession::open(arguments.program.input, arguments.program.placement);
    const GcodeOptions options = programOptions(session, choices);
    arguments.output.write("program", [&](std::ostream& out) { writeProgram(session, options, out); });
}

}  // namespace

void addConvertCommand(CLI::App& app) {
    auto arguments = std::make_shared<ConvertArguments>();
    CLI::App* command = app.add_subcommand(
        "convert", "Write the G-code program of a design (" + designFormatsHelp() + "), as the window's \"SAVE GCODE\" does.");

    command->add_option("design", arguments->program.input, "Embroidery design file to convert")
        ->required()
        ->type_name("DESIGN.dst");
    command->add_option("-o,--output", arguments->output.path,
                        "Program file to write (replaced atomically); standard output when absent or -")
        ->type_name("OUT");
    addProgramOptions(*command, arguments->program);
    command->callback([arguments] { convert(*arguments); });
}

}  // namespace tessaline::cli
