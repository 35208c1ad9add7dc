#include "gcode/ProgramPlanner.h"

#include "common/NumberFormat.h"
#include "common/Version.h"

#include <algorithm>

namespace tessaline {

namespace {

// Program numbers carry at most 0.001 mm: thirds of 0.1 mm would otherwise fill 15 digits.
constexpr int kProgramDecimals = 3;

PlanOp op(PlanOpKind kind) {
    PlanOp made;
    made.kind = kind;
    return made;
}

}  // namespace

ProgramPlanner::ProgramPlanner(const GcodeOptions& options, const MachineProfile& profile, PlanSink& sink)
    : options_(options), p_(profile), sink_(&sink), axis_(profile, options.zStep) {}

void ProgramPlanner::give(PlanOp& made) {
    made.colour = colour_;
    made.percent = percent_;
    sink_->put(made);
}

void ProgramPlanner::give(PlanOpKind kind) {
    PlanOp made = op(kind);
    give(made);
}

void ProgramPlanner::comment(std::string_view text) {
    PlanOp made = op(PlanOpKind::Comment);
    made.text = text;
    give(made);
}

void ProgramPlanner::note(PlanNote which) {
    PlanOp made = op(PlanOpKind::Comment);
    made.note = which;
    give(made);
}

void ProgramPlanner::header() {
    comment(std::string("The Gcode created with ") + kProgramName + " V" + versionText());
    comment("Program Author: Marovek");
    comment("File Name: " + options_.fileName);
    comment("Height x Width of Design " + options_.heightText + " x " + options_.widthText);
    comment("Total No. of Stitches: " + options_.stitchCountText);
    comment("Total No. of Colors: " + options_.colourCountText);
    comment("Important Notes: " + options_.notes);
    if (p_.rebase && options_.needleTravel) {
        comment("Needle axis travel: " + formatRounded(*options_.needleTravel, kProgramDecimals) +
                (p_.rebaseResets ? " mm at most between re-bases" : " mm of machine position over the program"));
    }
    if (!p_.machineNote.empty()) comment("Machine: " + p_.machineNote);
    give(PlanOpKind::Header);
    give(PlanOpKind::Feed);
    progress();
}

// Once per record: its steps are inlined here, which keeps the plan as quick as writing lines.
[[gnu::flatten]] void ProgramPlanner::add(const DesignRecord& record) {
    switch (record.kind) {
    case RecordKind::Jump:
        jump(record);
        break;
    case RecordKind::Stitch:
        stitch(record);
        break;
    case RecordKind::ColourChange:
        colourChange(record);
        break;
    case RecordKind::Trim:
        // A trim the design holds makes the jumps that follow a trim run, however few.
        if (!p_.trimStop.empty()) trimDue_ = true;
        break;
    case RecordKind::Other:
        break;
    }
    ++recordsSeen_;
    progress();
}

void ProgramPlanner::footer() {
    flushJumps(false);
    if (!p_.progress.empty() && options_.recordCount > 0 && percent_ != 100) {
        percent_ = 100;
        give(PlanOpKind::Progress);
    }
    give(PlanOpKind::Footer);
}

void ProgramPlanner::rebase() {
    give(PlanOpKind::Rebase);
    axis_.rebase();
}

// Move and stroke; each needle word is one advance of the drive.
void ProgramPlanner::moveAndStroke(PlanOpKind kind, const DesignRecord& record, std::uint64_t move) {
    // Before the move, where the needle stands as at a colour stop; a resume there starts after
    // it, declaring the same number.
    if (axis_.spanPassed()) rebase();
    PlanOp made = op(kind);
    made.move = move;
    made.x = record.x;
    made.y = record.y;
    made.z = axis_.advance();
    made.stroke = axis_.advance();
    give(made);
}

void ProgramPlanner::travel(const DesignRecord& record, std::uint64_t move) {
    PlanOp made = op(PlanOpKind::Travel);
    made.move = move;
    made.x = record.x;
    made.y = record.y;
    give(made);
    if (!p_.travelFeed.empty()) feedDue_ = true;
}

void ProgramPlanner::openRun(bool jumps) {
    if (jumps ? jumpRun_ : stitchRun_) return;
    note(jumps ? PlanNote::JumpRun : PlanNote::StitchRun);
    give(PlanOpKind::LampOff);
    jumpRun_ = jumps;
    stitchRun_ = !jumps;
}

void ProgramPlanner::jumpMove(const DesignRecord& record, std::uint64_t move) {
    if (p_.jumpStrokes) moveAndStroke(PlanOpKind::JumpMove, record, move);
    else travel(record, move);
}

void ProgramPlanner::jump(const DesignRecord& record) {
    const std::uint64_t move = ++needleMoves_;
    flushColours();
    // Whether a run is a trim shows only at its trimJumps-th jump, so its first jumps wait.
    if (!p_.trimStop.empty() && (!jumpRun_ || !pendingJumps_.empty())) {
        pendingJumps_.push_back({record, move});
        if (pendingJumps_.size() >= p_.trimJumps || trimDue_) flushJumps(true);
        return;
    }
    openRun(true);
    jumpMove(record, move);
}

void ProgramPlanner::flushJumps(bool trim) {
    if (pendingJumps_.empty()) return;
    openRun(true);
    if (trim) give(PlanOpKind::TrimStop);
    for (const PendingJump& pending : pendingJumps_) jumpMove(pending.record, pending.move);
    pendingJumps_.clear();
    trimDue_ = false;
}

void ProgramPlanner::stitch(const DesignRecord& record) {
    const std::uint64_t move = ++needleMoves_;
    flushColours();
    flushJumps(false);
    trimDue_ = false;
    openRun(false);
    if (feedDue_) {
        give(PlanOpKind::Feed);
        feedDue_ = false;
    }
    moveAndStroke(PlanOpKind::StitchMove, record, move);
}

void ProgramPlanner::colourChange(const DesignRecord& record) {
    flushJumps(false);
    trimDue_ = false;
    jumpRun_ = false;
    stitchRun_ = false;
    // The design's last record is a colour change: a stop there would ask for a thread that
    // does not exist, so the stop waits for the next needle move.
    if (p_.finalColourStop) colourStop(record);
    else coloursDue_.push_back(record);
}

void ProgramPlanner::flushColours() {
    for (const DesignRecord& record : coloursDue_) colourStop(record);
    coloursDue_.clear();
}

void ProgramPlanner::colourStop(const DesignRecord& record) {
    note(PlanNote::ColourChange);
    ++colour_;
    PlanOp made = op(PlanOpKind::ColourStop);
    made.x = record.x;
    made.y = record.y;
    give(made);
    if (p_.rebase) rebase();
}

void ProgramPlanner::progress() {
    if (p_.progress.empty() || options_.recordCount == 0 || !pendingJumps_.empty()) return;
    const auto now = static_cast<int>(std::min<std::size_t>(100, recordsSeen_ * 100 / options_.recordCount));
    if (now == percent_) return;
    percent_ = now;
    give(PlanOpKind::Progress);
}

}  // namespace tessaline
