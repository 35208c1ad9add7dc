// Any bytes are a G-code program to the checker and a TOML file to the profile reader: neither
// may crash, findings stay within the program's lines, and a profile that reads back writes TOML
// that reads back to itself.

#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileToml.h"
#include "gcode/ProgramChecker.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const tessaline::MachineProfile* findBuiltin(std::string_view name) {
    for (const auto& profile : tessaline::builtinProfiles()) {
        if (profile.name == name) return &profile;
    }
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto& profiles = tessaline::builtinProfiles();
    const auto& profile = profiles[data[0] % profiles.size()];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::size_t breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                               static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
    std::size_t previous = 0;
    for (const auto& finding : tessaline::checkProgram(text, profile)) {
        check(finding.line >= 1 && finding.line <= breaks + 1);
        check(finding.line >= previous || finding.message.starts_with("no "));
        check(!finding.message.empty());
        previous = finding.line;
    }

    try {
        const tessaline::MachineProfile read = tessaline::profileFromToml(text, "fuzz.toml", findBuiltin);
        const std::string toml = tessaline::profileToToml(read);
        check(tessaline::profileToToml(tessaline::profileFromToml(toml, "again.toml", findBuiltin)) == toml);
    } catch (const tessaline::ProfileError& error) {
        check(error.path() == "fuzz.toml");
    }
    return 0;
}
