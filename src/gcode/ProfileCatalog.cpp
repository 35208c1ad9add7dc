#include "gcode/ProfileCatalog.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileToml.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

namespace tessaline {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

const MachineProfile* findBuiltin(std::string_view name) {
    for (const MachineProfile& profile : builtinProfiles()) {
        if (sameName(profile.name, name)) return &profile;
    }
    return nullptr;
}

}  // namespace

std::filesystem::path userProfileFolder() {
    // XDG Base Directory rules: a relative XDG_CONFIG_HOME is invalid and ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config != nullptr && *config != '\0' && std::filesystem::path(config).is_absolute()) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
    }
    return base / "Tessaline" / "profiles";
}

ProfileCatalog::ProfileCatalog() {
    for (const MachineProfile& profile : builtinProfiles()) {
        profiles_.push_back(std::make_shared<const MachineProfile>(profile));
    }
}

ProfileCatalog::ProfileCatalog(const std::filesystem::path& folder) : ProfileCatalog() {
    folder_ = folder;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    std::filesystem::directory_iterator it(folder, error);
    // A missing folder holds no profiles; one that cannot be listed is a problem to tell.
    if (error && error != std::errc::no_such_file_or_directory) {
        problems_.push_back(folder.string() + ": " +
                            (error == std::errc::not_a_directory ? std::string("not a folder, so no user profiles were read")
                                                                 : error.message()));
    }
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".toml") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        try {
            MachineProfile profile = readProfileFile(file, findBuiltin);
            if (find(profile.name) != nullptr) {
                throw ProfileError(file, 0, "name", "\"" + profile.name + "\" is already taken by another profile");
            }
            profiles_.push_back(std::make_shared<const MachineProfile>(std::move(profile)));
        } catch (const ProfileError& e) {
            problems_.push_back(e.what());
        }
    }
}

std::shared_ptr<const MachineProfile> ProfileCatalog::find(std::string_view name) const {
    for (const auto& profile : profiles_) {
        if (sameName(profile->name, name)) return profile;
    }
    return nullptr;
}

std::shared_ptr<const MachineProfile> ProfileCatalog::resolve(std::string_view nameOrFile) const {
    if (auto profile = find(nameOrFile)) return profile;
    const std::filesystem::path path(nameOrFile);
    if (path.extension() == ".toml") {
        return std::make_shared<const MachineProfile>(readProfileFile(path, findBuiltin));
    }
    std::string known;
    for (const auto& profile : profiles_) known += (known.empty() ? "" : ", ") + profile->name;
    throw ProfileError(path, 0, "", "no profile is called that (known: " + known + ")");
}

}  // namespace tessaline
