// The one place tessaline-cli turns a failure into a line on stderr and an exit status: 2 for a
// usage error, worded as CLI11 words its own; 1 for anything met while doing the work.

#include "cli/Commands.h"

#include "common/PathError.h"
#include "gcode/ProfileToml.h"

#include <iostream>

namespace tessaline::cli {

namespace {

int usageError(const CLI::App& app, const std::string& option, const std::string& reason) {
    app.exit(CLI::ValidationError(option, reason));
    return 2;
}

int failure(const std::string& message) {
    std::cerr << "tessaline-cli: " << message << '\n';
    return 1;
}

// A choice refused on its own is a usage error of its option; one refused for the design names
// the design. The feed has always been a failure rather than a usage error.
int choiceRefused(const CLI::App& app, const SessionOptionError& e) {
    const std::string design = e.design().empty() ? std::string() : e.design().string() + ": ";
    switch (e.field()) {
        case OptionField::Feed: return failure(design + e.reason());
        case OptionField::NeedleStep: return usageError(app, "--z-step", e.reason());
        case OptionField::ResumePoint:
            if (design.empty()) return usageError(app, "--from-stitch", e.reason());
            return failure(design + "--from-stitch " + e.reason());
        case OptionField::TieIns: return usageError(app, "--tie-in", e.reason());
        case OptionField::NeedleTravel: return failure(design + e.reason());
        case OptionField::HoopDiameter: return usageError(app, "--hoop-diameter", e.reason());
    }
    return failure(design + e.reason());
}

}  // namespace

int reportFailure(const CLI::App& app) {
    try {
        throw;
    } catch (const ProfileError& e) {
        return usageError(app, "--profile", e.what());
    } catch (const PathError& e) {
        return failure(e.what());
    } catch (const SessionOptionError& e) {
        return choiceRefused(app, e);
    } catch (const CommandFailure& e) {
        return failure(e.what());
    }
}

}  // namespace tessaline::cli
