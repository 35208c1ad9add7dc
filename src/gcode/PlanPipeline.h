#pragma once
// The one way a design's records become a program's plan: the planner, and for a resumed
// program the resume join behind it, handing ops to a sink (the writer, or a listener before it).

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"
#include "gcode/MachineProfile.h"
#include "gcode/PlanOp.h"
#include "gcode/ProgramPlanner.h"
#include "gcode/ResumeJoin.h"

#include <optional>

namespace tessaline {

class PlanPipeline {
public:
    // options, profile and sink must outlive the pipeline.
    PlanPipeline(const GcodeOptions& options, const MachineProfile& profile, PlanSink& sink);
    PlanPipeline(const PlanPipeline&) = delete;
    PlanPipeline& operator=(const PlanPipeline&) = delete;

    // Puts the header's ops; first, before any record.
    void header();
    void add(const DesignRecord& record) { planner_.add(record); }
    // The ops from now on go to sink.
    void sendTo(PlanSink& sink);
    // Puts the footer's ops; throws ResumePointError when the options' resume point lies past
    // the last needle move.
    void finish();

private:
    const GcodeOptions& options_;
    std::optional<ResumeJoin> resume_;
    ProgramPlanner planner_;
};

}  // namespace tessaline
