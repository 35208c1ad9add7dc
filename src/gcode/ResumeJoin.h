#pragma once
// The plan of a program resumed at a needle move: the ops before that move are dropped, and
// in front of it go the join ops: a comment naming the move and thread, the lamp off, a travel
// there with the needle held (and the stitch feed after a travel at its own feed), and a re-base
// declaring where the needle stands (as the ops before say), so every later op strokes exactly
// as in the whole program. Tie-in strokes, when asked for, go in place between the travel and
// that re-base, counted from a re-base of their own at 0.

#include "gcode/MachineProfile.h"
#include "gcode/PlanOp.h"

#include <cstdint>
#include <string>

namespace tessaline {

class ResumeJoin final : public PlanSink {
public:
    // move counts from 1; profile and next must outlive the join. Ops pass until dropping starts.
    // tieIns strokes of step mm each go in place before the move.
    ResumeJoin(std::uint64_t move, const MachineProfile& profile, PlanSink& next, unsigned tieIns = 0,
               double step = 0);

    // Past the header: the ops from here to the move's are dropped.
    void startDropping() { passing_ = false; }

    void put(const PlanOp& op) override;
    // The ops it lets pass from now on go to next.
    void sendTo(PlanSink& next) { next_ = &next; }

    // Whether the move has come: false at the end of a plan means the design has no such move.
    bool joined() const { return joined_; }

private:
    void join(const PlanOp& at);

    std::uint64_t move_;
    unsigned tieIns_;
    double step_;
    const MachineProfile& p_;
    PlanSink* next_;
    bool passing_ = true;
    bool joined_ = false;
    double standing_ = 0;  // the needle's number after the ops so far
    std::string note_;
};

}  // namespace tessaline
