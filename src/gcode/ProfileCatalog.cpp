#include "gcode/ProfileCatalog.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileNames.h"
#include "gcode/ProfileToml.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace tessaline {

namespace {

template <class Profiles, class NameOf>
std::vector<std::string_view> namesOf(const Profiles& profiles, NameOf nameOf) {
    std::vector<std::string_view> names;
    for (const auto& profile : profiles) names.push_back(nameOf(profile));
    return names;
}

std::vector<std::string_view> builtinNames() {
    return namesOf(builtinProfiles(), [](const MachineProfile& p) -> std::string_view { return p.name; });
}

const MachineProfile* findBuiltin(std::string_view name) {
    const auto found = matchProfileName(builtinNames(), name);
    return found.size() == 1 ? &builtinProfiles()[found.front()] : nullptr;
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
            // Two names that spell alike could never be told apart.
            const std::string spelled = normalisedProfileName(profile.name);
            if (std::any_of(profiles_.begin(), profiles_.end(),
                            [&](const auto& p) { return normalisedProfileName(p->name) == spelled; })) {
                throw ProfileError(file, 0, "name", "\"" + profile.name + "\" is already taken by another profile");
            }
            profiles_.push_back(std::make_shared<const MachineProfile>(std::move(profile)));
        } catch (const ProfileError& e) {
            problems_.push_back(e.what());
        }
    }
}

std::vector<std::shared_ptr<const MachineProfile>> ProfileCatalog::matches(std::string_view name) const {
    std::vector<std::shared_ptr<const MachineProfile>> found;
    for (const std::size_t i : matchProfileName(names(), name)) found.push_back(profiles_[i]);
    return found;
}

std::shared_ptr<const MachineProfile> ProfileCatalog::find(std::string_view name) const {
    const auto found = matches(name);
    return found.size() == 1 ? found.front() : nullptr;
}

std::shared_ptr<const MachineProfile> ProfileCatalog::resolve(std::string_view nameOrFile) const {
    const auto found = matches(nameOrFile);
    if (found.size() == 1) return found.front();
    const std::filesystem::path path(nameOrFile);
    if (found.size() > 1) {
        const auto which = namesOf(found, [](const auto& p) -> std::string_view { return p->name; });
        throw ProfileError(path, 0, "", "the name fits more than one profile (" + listProfileNames(which) + ")");
    }
    if (path.extension() == ".toml") {
        return std::make_shared<const MachineProfile>(readProfileFile(path, findBuiltin));
    }
    throw ProfileError(path, 0, "", "no profile is called that (known: " + listProfileNames(names()) + ")");
}

std::vector<std::string_view> ProfileCatalog::names() const {
    return namesOf(profiles_, [](const auto& p) -> std::string_view { return p->name; });
}

}  // namespace tessaline
