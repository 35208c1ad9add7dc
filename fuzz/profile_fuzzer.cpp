// Any bytes are a G-code program to the checker and a TOML file to the profile reader: neither
// may crash, findings stay within the program's lines, and a profile that reads back writes TOML
// that reads back to itself. A profile the reader takes writes a program whose lines hold no
// control character, and the bytes as notes change only its comment lines.

#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/ProfileToml.h"
#include "gcode/ProgramChecker.h"
#include "gcode/ProgramText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

// The program's lines that are not comment lines.
std::vector<std::string> codeLines(const tessaline::MachineProfile& profile, std::string_view notes) {
    using tessaline::DesignRecord;
    using tessaline::RecordKind;
    const DesignRecord design[] = {{RecordKind::Jump, 1, 2},  {RecordKind::Stitch, 1, 2}, {RecordKind::Jump, 4, 4},
                                   {RecordKind::Jump, 5, 4},  {RecordKind::Jump, 6, 4},  {RecordKind::Stitch, 6, 5},
                                   {RecordKind::ColourChange, 6, 5}, {RecordKind::Stitch, 7, 5}};
    tessaline::GcodeOptions options;
    options.notes = options.fileName = std::string(notes);
    options.profile = std::make_shared<const tessaline::MachineProfile>(profile);
    options.recordCount = std::size(design);
    std::ostringstream out;
    tessaline::generateGcode(options, design, out);
    const std::string open = tessaline::CommentStyle::of(profile).open;
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const char ch : line) check(static_cast<unsigned char>(ch) >= 0x20 || ch == '\t');
        if (open.empty() || !line.starts_with(open)) lines.push_back(line);
    }
    return lines;
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
        check(codeLines(read, text) == codeLines(read, "notes"));
    } catch (const tessaline::ProfileError& error) {
        check(error.path() == "fuzz.toml");
    }
    return 0;
}
