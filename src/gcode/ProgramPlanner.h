#pragma once
// Turns a design's records into the program's plan: runs of jumps and stitches, jump runs that
// turn out to be trims, colour stops (waiting for the next needle move unless the profile stops
// at a final colour change too), re-bases of the needle axis, progress. What the needle does is
// decided here and nowhere else; how it is worded is the DialectWriter's.

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"
#include "gcode/MachineProfile.h"
#include "gcode/NeedleAxis.h"
#include "gcode/PlanOp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaline {

class ProgramPlanner {
public:
    // profile is the options' (or Classic); both must outlive the planner, as must sink.
    ProgramPlanner(const GcodeOptions& options, const MachineProfile& profile, PlanSink& sink);

    // The header comments, the header's code lines, the feed and the first progress.
    void header();
    void add(const DesignRecord& record);
    // Jumps still waiting, the last progress, the footer.
    void footer();
    // The ops from now on go to sink.
    void sendTo(PlanSink& sink) { sink_ = &sink; }

    std::uint64_t needleMoves() const { return needleMoves_; }
    const NeedleAxis& axis() const { return axis_; }

private:
    struct PendingJump {
        DesignRecord record;
        std::uint64_t move;
    };

    void jump(const DesignRecord& record);
    void stitch(const DesignRecord& record);
    void colourChange(const DesignRecord& record);
    void jumpMove(const DesignRecord& record, std::uint64_t move);
    void moveAndStroke(PlanOpKind kind, const DesignRecord& record, std::uint64_t move);
    void travel(const DesignRecord& record, std::uint64_t move);
    void openRun(bool jumps);
    void flushJumps(bool trim);
    void flushColours();
    void colourStop(const DesignRecord& record);
    void rebase();
    void progress();
    void comment(std::string_view text);
    void note(PlanNote note);
    void give(PlanOp& op);
    void give(PlanOpKind kind);

    const GcodeOptions& options_;
    const MachineProfile& p_;
    PlanSink* sink_;

    NeedleAxis axis_;  // the needle's number is a count of steps times the step: a product, so no drift
    std::vector<DesignRecord> coloursDue_;  // colour changes whose stop waits for a needle move
    std::vector<PendingJump> pendingJumps_;  // a jump run not yet known to be a trim
    bool jumpRun_ = false;
    bool stitchRun_ = false;
    bool feedDue_ = false;  // a travel at its own feed went before; the stitch feed is due
    bool trimDue_ = false;  // the design cut the thread: the next jump run is a trim
    int colour_ = 1;
    int percent_ = -1;
    std::uint64_t needleMoves_ = 0;  // stitch and jump records so far
    std::size_t recordsSeen_ = 0;
};

}  // namespace tessaline
