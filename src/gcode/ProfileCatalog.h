#pragma once
// The profiles a user can choose: the built-ins, then one per TOML file in the user's profile
// folder. A file that cannot be used is skipped with a message; it never stops the program.

#include "gcode/MachineProfile.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

// $XDG_CONFIG_HOME/Tessaline/profiles, or ~/.config/Tessaline/profiles: the folder the window's
// QStandardPaths::GenericConfigLocation gives, plus "Tessaline/profiles".
std::filesystem::path userProfileFolder();

class ProfileCatalog {
public:
    // Built-ins only.
    ProfileCatalog();
    // Built-ins, then every *.toml file of folder in name order (a missing folder has none).
    explicit ProfileCatalog(const std::filesystem::path& folder);

    const std::vector<std::shared_ptr<const MachineProfile>>& profiles() const { return profiles_; }
    // Messages for the files that were skipped, each naming the file (and line and field).
    const std::vector<std::string>& problems() const { return problems_; }
    const std::filesystem::path& folder() const { return folder_; }

    // The profiles a typed name picks (see matchProfileName): none, one, or several when ambiguous.
    std::vector<std::shared_ptr<const MachineProfile>> matches(std::string_view name) const;
    // The one profile the name picks; nullptr when it picks none or several.
    std::shared_ptr<const MachineProfile> find(std::string_view name) const;
    // A name from find(), or else a path to a .toml file read on the spot. Throws ProfileError
    // for a file that cannot be used, and for an unknown or ambiguous name (listing the names).
    std::shared_ptr<const MachineProfile> resolve(std::string_view nameOrFile) const;

private:
    std::vector<std::string_view> names() const;

    std::vector<std::shared_ptr<const MachineProfile>> profiles_;
    std::vector<std::string> problems_;
    std::filesystem::path folder_;
};

}  // namespace tessaline
