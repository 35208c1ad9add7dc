#include "gcode/ResumeJoin.h"

#include "common/NumberFormat.h"

namespace tessaline {

ResumeJoin::ResumeJoin(std::uint64_t move, const MachineProfile& profile, PlanSink& next, unsigned tieIns,
                       double step)
    : move_(move), tieIns_(tieIns), step_(step), p_(profile), next_(&next) {}

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
    if (tieIns_ > 0) {
        // Where the needle stands after a thread break is unknown to the program: the tie-ins
        // count from a declared 0, so their words stay small and grow as every stroke's do.
        made.kind = PlanOpKind::Rebase;
        made.z = 0;
        next_->put(made);
        made.kind = PlanOpKind::StitchMove;
        for (unsigned i = 0; i < tieIns_; ++i) {
            made.z = static_cast<double>(2 * i + 1) * step_;
            made.stroke = static_cast<double>(2 * i + 2) * step_;
            next_->put(made);
        }
    }
    // The needle stands at a whole stroke cycle, as in the whole program before this move: the
    // profile's own re-base declares it, so that machine and program agree.
    made.kind = PlanOpKind::Rebase;
    made.z = standing_;
    next_->put(made);
}

}  // namespace tessaline
