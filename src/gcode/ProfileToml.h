#pragma once
// Machine profiles as TOML text: the user's profile files and `profile show`.

#include "common/PathError.h"
#include "gcode/MachineProfile.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tessaline {

// A profile file that cannot be used; what() is "<path>: line <n>, field '<key>': <reason>"
// (line and field when known).
class ProfileError : public PathError {
public:
    ProfileError(std::filesystem::path path, std::size_t line, std::string field, const std::string& reason);
    std::size_t line() const { return line_; }  // 0 when the whole file is at fault
    const std::string& field() const { return field_; }

private:
    std::size_t line_;
    std::string field_;
};

// The built-in a profile may name in "base"; nullptr when there is none of that name.
using BaseLookup = std::function<const MachineProfile*(std::string_view name)>;

// Reads a profile from TOML text. Starts from the profile named by "base" (Classic when there
// is none), then sets the fields the text gives; "name" defaults to the file's stem. Unknown
// fields, wrong types and unknown choices throw ProfileError naming path, line and field.
MachineProfile profileFromToml(std::string_view text, const std::filesystem::path& path, const BaseLookup& bases);

// The largest profile file read: every field written out takes a few kilobytes.
constexpr std::uintmax_t kMaxProfileFileBytes = 1024 * 1024;

// profileFromToml on the file's text, read as every user file is (common/InputFile.h); a file
// that cannot be read throws ProfileError with the reason.
MachineProfile readProfileFile(const std::filesystem::path& path, const BaseLookup& bases);

// Every field of the profile as TOML that profileFromToml reads back to the same profile.
std::string profileToToml(const MachineProfile& profile);

}  // namespace tessaline
