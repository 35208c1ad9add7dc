#include "gcode/ResumeJoin.h"

#include "common/NumberFormat.h"

namespace tessaline {

ResumeJoin::ResumeJoin(std::uint64_t move, const MachineProfile& profile, PlanSink& next)
    : move_(move), p_(profile), next_(&next) {}

void ResumeJoin::put(const PlanOp& op) {
    if (passing_) {
        next_->put(op);
    } else if (op.move == move_) {
        join(op);
        next_->put(op);
    } else if (op.kind == PlanOpKind::StitchMove || op.kind == PlanOpKind::JumpMove) {
        standing_ = op.stroke;
    } else if (op.kind == PlanOpKind::Rebase) {
        standing_ = op.z;
    }
}

void ResumeJoin::join(const PlanOp& at) {
    joined_ = true;
    passing_ = true;
    // The join's words name the thread and progress of the move it joins at.
    PlanOp made = at;
    made.move = 0;
    made.kind = PlanOpKind::Comment;
    note_ = "RESUME AT NEEDLE MOVE " + formatUnsigned(move_) + "- Thread Color " + formatInteger(at.colour);
    made.text = note_;
    next_->put(made);
    made.text = {};
    // At every needle move the run's lamp-off has been given.
    made.kind = PlanOpKind::LampOff;
    next_->put(made);
    made.kind = PlanOpKind::Travel;
    next_->put(made);
    if (!p_.travelFeed.empty()) {
        made.kind = PlanOpKind::Feed;
        next_->put(made);
    }
    // The needle stands at a whole stroke cycle, as in the whole program before this move: the
    // profile's own re-base declares it, so that machine and program agree.
    made.kind = PlanOpKind::Rebase;
    made.z = standing_;
    next_->put(made);
}

}  // namespace tessaline
