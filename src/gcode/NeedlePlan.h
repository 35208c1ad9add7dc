#pragma once
// The needle axis's numbers over a whole program, counted before its header is written: the
// program's own plan is counted, so the header and the program agree on every number.

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"
#include "gcode/MachineProfile.h"
#include "gcode/NeedleAxis.h"
#include "gcode/PlanOp.h"
#include "gcode/ProgramPlanner.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaline {

struct NeedlePlan {
    std::uint64_t moves = 0;      // needle moves: stitch and jump records
    double largestNumber = 0;     // the largest needle number a program line carries
    double travel = 0;            // mm, the farthest machine position the needle axis reaches
    std::uint64_t limitMove = 0;  // the first needle move past the profile's needle_machine_max; 0 = none
    double limitTravel = 0;       // mm, the machine position that move reaches
};

// Counts the design's records the way the generator writes them: from the program's plan.
class NeedlePlanner final : private PlanSink {
public:
    NeedlePlanner(const MachineProfile& profile, double step);
    NeedlePlanner(const NeedlePlanner&) = delete;
    NeedlePlanner& operator=(const NeedlePlanner&) = delete;

    void add(const DesignRecord& record) { planner_.add(record); }
    // The plan of the records added; no record is added after it is asked for.
    const NeedlePlan& plan();

private:
    void put(const PlanOp& op) override;

    const MachineProfile& profile_;
    GcodeOptions options_;
    ProgramPlanner planner_;
    NeedlePlan plan_;
    bool ended_ = false;
};

// Why the needle step cannot be used with the profile: not a finite number above 0 in whole
// thousandths of a millimetre, beyond the profile's range, or more digits than it keeps.
std::optional<std::string> needleStepProblem(double step, const MachineProfile& profile);

// Why the program of a design so planned cannot be written: the step's problem, the largest
// needle number beyond the profile's range or digits, or the machine travel past its
// needle_machine_max (naming the needle move that passes it).
std::optional<std::string> needlePlanProblem(const NeedlePlan& plan, double step, const MachineProfile& profile);

// A program the profile's machine cannot run for its needle numbers; what() says why.
class NeedleRangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tessaline
