// `profiles`, `profile show` and `check`: the machine profiles, and what a controller would
// make of a program.

#include "cli/Commands.h"

#include "common/InputFile.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileCatalog.h"
#include "gcode/ProfileToml.h"
#include "gcode/ProgramChecker.h"
#include "gcode/ScratchProgram.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>

namespace tessaline::cli {

namespace {

bool isBuiltin(const MachineProfile& profile) {
    for (const MachineProfile& builtin : builtinProfiles()) {
        if (builtin.name == profile.name) return true;
    }
    return false;
}

void warnAboutSkippedFiles(const ProfileCatalog& catalog) {
    for (const auto& problem : catalog.problems()) std::cerr << "tessaline-cli: skipped " << problem << '\n';
}

void listProfiles() {
    const ProfileCatalog catalog(userProfileFolder());
    warnAboutSkippedFiles(catalog);
    std::cout << "User profiles folder: " << catalog.folder().string() << '\n';
    std::size_t width = 0;
    for (const auto& profile : catalog.profiles()) width = std::max(width, profile->name.size());
    for (const auto& profile : catalog.profiles()) {
        std::cout << "  " << profile->name << std::string(width - profile->name.size() + 2, ' ')
                  << (isBuiltin(*profile) ? "built-in  " : "user      ") << profile->summary << '\n';
    }
}

struct CheckArguments {
    std::string program;
    std::string profile = kClassicProfileName;
};

void checkCommand(const CheckArguments& arguments) {
    const auto profile = resolveProfileOption(arguments.profile);
    const std::string text = readInputText(arguments.program, {kMaxProgramFileBytes, kProgramTooLarge});
    const auto findings = checkProgram(text, *profile);
    for (const auto& finding : findings) {
        std::cout << arguments.program << ':' << finding.line << ": " << finding.message << '\n';
    }
    std::cout.flush();
    if (!findings.empty()) {
        throw CheckFindings(std::to_string(findings.size()) + (findings.size() == 1 ? " finding" : " findings") +
                            " for " + profile->name);
    }
}

}  // namespace

std::shared_ptr<const MachineProfile> resolveProfileOption(const std::string& nameOrFile) {
    const ProfileCatalog catalog(userProfileFolder());
    try {
        return catalog.resolve(nameOrFile);
    } catch (const ProfileError&) {
        warnAboutSkippedFiles(catalog);
        throw;
    }
}

void addProfileCommands(CLI::App& app) {
    app.add_subcommand("profiles", "List the machine profiles, built-in and the user's, and the user profiles folder.")
        ->callback(listProfiles);

    CLI::App* profile = app.add_subcommand("profile", "Work with one machine profile.");
    profile->require_subcommand(1);
    auto name = std::make_shared<std::string>();
    CLI::App* show = profile->add_subcommand("show", "Print a profile as TOML, to start a user profile from.");
    show->add_option("name", *name, "Profile name, or a .toml file")->required();
    show->callback([name] { std::cout << profileToToml(*resolveProfileOption(*name)); });

    auto arguments = std::make_shared<CheckArguments>();
    CLI::App* check = app.add_subcommand(
        "check", "List, by line, what a controller would refuse or misread in a G-code program.\n"
                 "Exit status: 0 clean, 1 with findings, 2 usage.");
    check->add_option("program", arguments->program, "G-code program to check")->required()->check(CLI::ExistingFile);
    check->add_option("--profile", arguments->profile, "Profile name, or a .toml file")->capture_default_str();
    check->callback([arguments] { checkCommand(*arguments); });
}

}  // namespace tessaline::cli
