#pragma once
// Each command of tessaline-cli registers itself on the CLI11 application; main only assembles.

#include "design/Placement.h"
#include "session/SessionOptions.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaline::cli {

// A failure of the command line's own (the output is the input, a controller stopped the run):
// reportFailure prints the message on stderr and exits with 1.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `check` found something: main exits with 1, like any failure.
class CheckFindings : public CommandFailure {
public:
    using CommandFailure::CommandFailure;
};

// For main, inside a catch block: prints the failure being handled on stderr (usage errors as
// CLI11 words them) and returns the exit status; rethrows what it does not know.
int reportFailure(const CLI::App& app);

// The profile named by a --profile option (a name or a .toml file). Throws ProfileError when
// there is none such or the file cannot be used, after listing the user profiles skipped.
std::shared_ptr<const MachineProfile> resolveProfileOption(const std::string& nameOrFile);

// Where a command writes: standard output (no -o, "-" or /dev/stdout) or a file replaced atomically.
struct OutputTarget {
    std::string path;

    bool standardOutput() const;
    // Throws CommandFailure when the file is input (by file identity, so links and other
    // spellings count): writing it would destroy the design.
    void refuseInput(const std::string& input) const;
    // Writes what write puts out. Throws CommandFailure "standard output: the <what> could not
    // be written", or FileWriteError with the file untouched.
    void write(std::string_view what, const std::function<void(std::ostream&)>& write) const;
};

// The formats a design argument's help names: "DST, PES, PEC, JEF, EXP, VP3, XXX, ...".
std::string designFormatsHelp();

// Adds `--origin auto|centre|file` (default auto) to command, setting placement.
void addOriginOption(CLI::App& command, Placement& placement);

// What shapes a program, as convert and send take it.
struct ProgramArguments {
    std::string input;
    std::string zStepText = "10";
    std::string profile;
    Placement placement = Placement::Automatic;
    ProgramChoices choices;
};

// Adds the options that shape a program (--notes, --feed, --z-step, --profile, --from-stitch,
// --tie-in, --invert-x/y, --origin, --no-CODE) to command.
void addProgramOptions(CLI::App& command, ProgramArguments& arguments);

// The choices with the profile named (none: Classic) resolved, checked before any design is
// read. Throws ProfileError, SessionOptionError.
ProgramChoices checkedChoices(ProgramChoices choices, const std::string& profile);
ProgramChoices checkedChoices(const ProgramArguments& arguments);

void addInfoCommand(CLI::App& app);
void addConvertCommand(CLI::App& app);
void addPreviewCommand(CLI::App& app);
void addProfileCommands(CLI::App& app);
void addTraceCommand(CLI::App& app);
void addSendCommand(CLI::App& app);

}  // namespace tessaline::cli
