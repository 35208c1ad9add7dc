#pragma once
// The needle axis's numbers. Each needle word advances the drive one step; a re-base declares
// the needle's number 0 at a whole stroke cycle.

#include "gcode/MachineProfile.h"

#include <cstdint>

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

}  // namespace tessaline
