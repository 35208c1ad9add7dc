#pragma once
// The needle axis's numbers. Each needle word advances the drive one step; a re-base declares
// the needle's number 0 at a whole stroke cycle. The generator writes its words with NeedleAxis
// and NeedlePlanner counts with it before the header is written, so both agree on every number.

#include "design/DesignRecord.h"
#include "gcode/MachineProfile.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaline {

class NeedleAxis {
public:
    NeedleAxis(const MachineProfile& profile, double step);

    // The number of the next needle word; the drive is one step further.
    double advance() {
        ++machineCount_;
        return static_cast<double>(++count_) * step_;
    }
    // Where the needle stands now: after a whole stroke cycle, what a stop or a resume declares.
    double standing() const { return static_cast<double>(count_) * step_; }
    // Before a move that strokes: its two words would carry the number past the profile's span.
    bool spanPassed() const { return span_ > 0 && count_ > 0 && static_cast<double>(count_ + 2) * step_ > span_; }
    // The needle's number becomes 0, and the machine position too where the re-base resets it.
    void rebase();
    // Machine position in mm, the program's start being 0.
    double machine() const { return static_cast<double>(machineCount_) * step_; }

private:
    double step_;
    double span_;
    bool resets_;
    std::uint64_t count_ = 0;
    std::uint64_t machineCount_ = 0;
};

struct NeedlePlan {
    std::uint64_t moves = 0;      // needle moves: stitch and jump records
    double largestNumber = 0;     // the largest needle number a program line carries
    double travel = 0;            // mm, the farthest machine position the needle axis reaches
    std::uint64_t limitMove = 0;  // the first needle move past the profile's needle_machine_max; 0 = none
    double limitTravel = 0;       // mm, the machine position that move reaches
};

// Counts the design's records the way the generator writes them.
class NeedlePlanner {
public:
    NeedlePlanner(const MachineProfile& profile, double step);
    void add(const DesignRecord& record);
    const NeedlePlan& plan() const { return plan_; }

private:
    const MachineProfile& profile_;
    NeedleAxis axis_;
    bool colourDue_ = false;
    NeedlePlan plan_;
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
