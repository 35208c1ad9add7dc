// `convert`: the G-code program of a design, as the window's "SAVE GCODE" writes it.

#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/ScratchProgram.h"

#include <iostream>
#include <memory>
#include <string>

namespace tessaline::cli {

namespace {

struct ConvertArguments {
    ProgramArguments program;
    std::string output;
};

void convert(ConvertArguments& arguments) {
    const bool toStandardOutput = isStandardOutput(arguments.output);
    const PreparedProgram prepared = prepareProgram(arguments.program, [&] {
        if (!toStandardOutput) refuseSameFile(arguments.program.input, arguments.output);
    });
    const auto walk = [&prepared](const RecordSink& sink) { prepared.walk(sink); };
    if (toStandardOutput) {
        GcodeWriter writer(prepared.options, std::cout);
        walk([&writer](const DesignRecord& record) { writer.add(record); });
        writer.finish();
        if (!std::cout) throw CommandFailure("standard output: the program could not be written");
        return;
    }
    try {
        writeProgramFile(arguments.output, prepared.options, walk);
    } catch (const FileWriteError& e) {
        throw CommandFailure(e.what());
    }
}

}  // namespace

void addConvertCommand(CLI::App& app) {
    auto arguments = std::make_shared<ConvertArguments>();
    CLI::App* command = app.add_subcommand(
        "convert", "Write the G-code program of a design (" + designFormatsHelp() + "), as the window's \"SAVE GCODE\" does.");

    command->add_option("design", arguments->program.input, "Embroidery design file to convert")
        ->required()
        ->type_name("DESIGN.dst");
    command->add_option("-o,--output", arguments->output,
                        "Program file to write (replaced atomically); standard output when absent or -")
        ->type_name("OUT");
    addProgramOptions(*command, arguments->program);
    command->callback([arguments] { convert(*arguments); });
}

}  // namespace tessaline::cli
