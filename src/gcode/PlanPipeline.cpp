#include "gcode/PlanPipeline.h"

#include "common/NumberFormat.h"
#include "gcode/GcodeGenerator.h"

namespace tessaline {

namespace {

std::optional<ResumeJoin> resumeJoin(const GcodeOptions& options, const MachineProfile& profile, PlanSink& next) {
    if (options.resumeFrom == 0) return std::nullopt;
    return std::optional<ResumeJoin>(std::in_place, options.resumeFrom, profile, next, options.tieInStitches,
                                     options.zStep);
}

}  // namespace

PlanPipeline::PlanPipeline(const GcodeOptions& options, const MachineProfile& profile, PlanSink& sink)
    : options_(options),
      resume_(resumeJoin(options, profile, sink)),
      planner_(options, profile, resume_ ? static_cast<PlanSink&>(*resume_) : sink) {}

void PlanPipeline::header() {
    planner_.header();
    if (resume_) resume_->startDropping();
}

void PlanPipeline::sendTo(PlanSink& sink) {
    if (resume_) resume_->sendTo(sink);
    else planner_.sendTo(sink);
}

void PlanPipeline::finish() {
    planner_.footer();
    if (resume_ && !resume_->joined()) {
        throw ResumePointError("the design has " + formatUnsigned(planner_.needleMoves()) +
                               " needle moves, so it cannot resume at move " + formatUnsigned(options_.resumeFrom));
    }
}

}  // namespace tessaline
