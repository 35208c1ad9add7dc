#include "session/SessionJobs.h"

#include "common/AtomicFile.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/MachineProfile.h"
#include "gcode/ScratchProgram.h"
#include "session/DesignSession.h"

namespace tessaline {

namespace {

std::function<void(const RecordSink&)> walkOf(const DesignSession& session) {
    return [&session](const RecordSink& sink) { session.walk(sink); };
}

}  // namespace

void writeProgram(const DesignSession& session, const GcodeOptions& options, std::ostream& out) {
    GcodeWriter writer(options, out);
    session.walk([&writer](const DesignRecord& record) { writer.add(record); });
    writer.finish();
}

void saveProgram(const DesignSession& session, const GcodeOptions& options, const std::filesystem::path& path) {
    writeProgramFile(path, options, walkOf(session));
}

std::uint64_t needleMoveOnLine(const DesignSession& session, const GcodeOptions& options, std::uint64_t line,
                               std::string_view lineText) {
    // A needle stroke's line follows its move line and starts with the move code and needle axis.
    const MachineProfile& profile = options.profile ? *options.profile : classicProfile();
    const bool onStroke = lineText.starts_with(profile.moveCode + " " + profile.needleAxis);
    std::uint64_t found = 0;
    std::ostream discard(nullptr);
    GcodeWriter writer(options, discard);
    writer.onNeedleMoveLine([&](std::uint64_t move, std::uint64_t moveLine) {
        if (moveLine == line || (onStroke && moveLine + 1 == line)) found = move;
    });
    session.walk([&writer](const DesignRecord& record) { writer.add(record); });
    writer.finish();
    return found;
}

void writeTrace(const DesignSession& session, const GcodeOptions& options, std::ostream& out, double dwellSeconds) {
    writeOutlineTrace(options, session.figures(), dwellSeconds, out);
}

void saveTrace(const DesignSession& session, const GcodeOptions& options, const std::filesystem::path& path,
               double dwellSeconds) {
    writeFileAtomically(path, [&](std::ostream& out) { writeTrace(session, options, out, dwellSeconds); });
}

SendPlan sendPlan(const DesignSession& session, const GcodeOptions& options) {
    return planSend(options, walkOf(session));
}

}  // namespace tessaline
