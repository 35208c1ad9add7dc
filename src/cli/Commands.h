#pragma once
// Each command of tessaline-cli registers itself on the CLI11 application; main only assembles.

#include "design/DesignFormat.h"
#include "design/Placement.h"
#include "gcode/GcodeOptions.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <memory>
#include <stdexcept>
#include <string>

namespace tessaline::cli {

// A failure the user can meet (unreadable input, unwritable output): main prints the
// message on stderr and exits with 1.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `check` found something: main exits with 1, like any failure.
class CheckFindings : public CommandFailure {
public:
    using CommandFailure::CommandFailure;
};

}  // namespace tessaline::cli

namespace tessaline {
struct MachineProfile;
}

namespace tessaline::cli {

// The profile named by a --profile option (a name or a .toml file); a usage error when there is
// none such or the file cannot be used.
std::shared_ptr<const MachineProfile> resolveProfileOption(const std::string& nameOrFile);

// Throws CommandFailure when output names the same file as input (by file identity, so links
// and other spellings count): writing it would destroy the design.
void refuseSameFile(const std::string& input, const std::string& output);

// True when an -o value means standard output: none, "-" or /dev/stdout.
bool isStandardOutput(const std::string& output);

// The bytes of the design file at path, and their decoding placed as placement asks (records to
// sink, which may be empty); an unreadable or damaged file throws CommandFailure naming it and the reason.
std::vector<std::uint8_t> readDesignInput(const std::string& path);
PlacedDesign decodeDesignInput(const std::string& path, std::span<const std::uint8_t> bytes, Placement placement,
                               const RecordSink& sink);

// The formats a design argument's help names: "DST, PES, PEC, JEF, EXP, VP3, XXX, ...".
std::string designFormatsHelp();

// Adds `--origin auto|centre|file` (default auto) to command, setting placement.
void addOriginOption(CLI::App& command, Placement& placement);

// What shapes a program, as convert and send take it.
struct ProgramArguments {
    std::string input;
    std::string zStepText = "10";
    std::string fromStitchText;
    std::string profile;
    Placement placement = Placement::Automatic;
    GcodeOptions options;
};

// Adds the options that shape a program (--notes, --feed, --z-step, --profile, --from-stitch,
// --invert-x/y, --origin, --no-CODE) to command.
void addProgramOptions(CLI::App& command, ProgramArguments& arguments);

// The design read, placed and planned, and the options it is written with.
struct PreparedProgram {
    std::vector<std::uint8_t> bytes;
    PlacedDesign placed;
    GcodeOptions options;
    // Hands the placed records to sink, in stitching order.
    void walk(const RecordSink& sink) const;
};

// Checks the arguments, then (after beforeReading, which may refuse) reads the design; usage
// errors and CommandFailure as each check finds them.
PreparedProgram prepareProgram(ProgramArguments& arguments, const std::function<void()>& beforeReading = {});

void addInfoCommand(CLI::App& app);
void addConvertCommand(CLI::App& app);
void addPreviewCommand(CLI::App& app);
void addProfileCommands(CLI::App& app);
void addTraceCommand(CLI::App& app);
void addSendCommand(CLI::App& app);

}  // namespace tessaline::cli
