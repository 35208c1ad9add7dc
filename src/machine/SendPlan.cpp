#include "machine/SendPlan.h"

#include "gcode/DialectWriter.h"
#include "gcode/PlanPipeline.h"
#include "gcode/ScratchProgram.h"

#include <algorithm>
#include <sstream>

namespace tessaline {

namespace {

// Notes each needle move and stop with the line the writer is at, then has it worded.
class SendListener final : public PlanSink {
public:
    SendListener(SendPlan& plan, DialectWriter& writer) : plan_(plan), writer_(writer) { writer_.keepCount(true); }

    void put(const PlanOp& op) override {
        if (op.isNeedleMove()) {
            plan_.moveLines.push_back(writer_.lines() + 1);
            plan_.moveColours.push_back(op.colour);
            plan_.moveJumps.push_back(op.kind != PlanOpKind::StitchMove);
        } else if (op.kind == PlanOpKind::ColourStop || op.kind == PlanOpKind::TrimStop) {
            plan_.stops.push_back({writer_.lines() + 1, op.kind == PlanOpKind::ColourStop, op.colour});
        }
        writer_.put(op);
    }

private:
    SendPlan& plan_;
    DialectWriter& writer_;
};

}  // namespace

SendPlan planSend(const GcodeOptions& options, const std::function<void(const RecordSink&)>& walk) {
    GcodeOptions settled = options;
    if (!settled.needleTravel) settleNeedle(settled, planNeedle(settled, walk));
    SendPlan plan;
    plan.firstMove = std::max<std::uint64_t>(settled.resumeFrom, 1);
    std::ostringstream out;
    DialectWriter writer(settled, out);
    SendListener listener(plan, writer);
    PlanPipeline pipeline(settled, writer.profile(), listener);
    pipeline.header();
    walk([&pipeline](const DesignRecord& record) { pipeline.add(record); });
    pipeline.finish();
    writer.flush();
    plan.text = std::move(out).str();
    plan.colours = plan.moveColours.empty() ? 1 : plan.moveColours.back();
    return plan;
}
std::uint64_t movesDone(const SendPlan& plan, std::uint64_t line) {
    // A move is done once the lines of the move after it run.
    const auto started = static_cast<std::uint64_t>(
        std::upper_bound(plan.moveLines.begin(), plan.moveLines.end(), line) - plan.moveLines.begin());
    return started > 0 ? started - 1 : 0;
}

int nextColour(const SendPlan& plan, std::uint64_t line) {
    const std::uint64_t total = plan.moveColours.size();
    const std::uint64_t next = std::min<std::uint64_t>(movesDone(plan, line) + 1, total);
    return next < total ? plan.moveColours[next] : plan.colours;
}

std::uint64_t resumeMove(const SendPlan& plan, std::uint64_t line) {
    return plan.firstMove + std::min<std::uint64_t>(movesDone(plan, line), plan.moveLines.size());
}

const PlanStop* stopAt(const SendPlan& plan, std::uint64_t line) {
    const auto after = std::upper_bound(plan.stops.begin(), plan.stops.end(), line,
                                        [](std::uint64_t at, const PlanStop& stop) { return at < stop.line; });
    if (after == plan.stops.begin()) return nullptr;
    const PlanStop& stop = *(after - 1);
    const auto move = std::upper_bound(plan.moveLines.begin(), plan.moveLines.end(), stop.line);
    return move != plan.moveLines.end() && *move <= line ? nullptr : &stop;
}

std::string threadText(const std::vector<DesignThread>& threads, int colour) {
    std::string text = "Thread " + std::to_string(colour);
    if (colour >= 1 && static_cast<std::size_t>(colour) <= threads.size()) {
        const DesignThread& thread = threads[static_cast<std::size_t>(colour - 1)];
        if (!thread.description.empty()) text += ": " + thread.description;
        if (!thread.catalogNumber.empty()) text += " (" + thread.catalogNumber + ")";
    }
    return text;
}

}  // namespace tessaline
