#include "gcode/ScratchProgram.h"

#include "common/AtomicFile.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"

namespace tessaline {

namespace {

const MachineProfile& profileOf(const GcodeOptions& options) {
    return options.profile ? *options.profile : classicProfile();
}

}  // namespace

void settleNeedle(GcodeOptions& options, const NeedlePlan& plan) {
    if (const auto problem = needlePlanProblem(plan, options.zStep, profileOf(options))) throw NeedleRangeError(*problem);
    options.needleTravel = plan.travel;
}

NeedlePlan planNeedle(const GcodeOptions& options, const std::function<void(const RecordSink&)>& walkRecords) {
    // A step that cannot be used is refused before the records are walked.
    if (const auto problem = needleStepProblem(options.zStep, profileOf(options))) throw NeedleRangeError(*problem);
    NeedlePlanner planner(profileOf(options), options.zStep);
    walkRecords([&planner](const DesignRecord& record) { planner.add(record); });
    return planner.plan();
}

void writeProgramFile(const std::filesystem::path& path, const GcodeOptions& options,
                      const std::function<void(const RecordSink&)>& walkRecords) {
    GcodeOptions settled = options;
    if (!settled.needleTravel) settleNeedle(settled, planNeedle(settled, walkRecords));
    writeFileAtomically(path, [&](std::ostream& out) {
        GcodeWriter writer(settled, out);
        walkRecords([&writer](const DesignRecord& record) { writer.add(record); });
        writer.finish();
    });
}

}  // namespace tessaline
