#include "machine/SendPlan.h"

#include "gcode/GcodeGenerator.h"
#include "gcode/ScratchProgram.h"

#include <algorithm>
#include <sstream>

namespace tessaline {

SendPlan planSend(const GcodeOptions& options, const std::function<void(const RecordSink&)>& walk) {
    GcodeOptions settled = options;
    if (!settled.needleTravel) settleNeedle(settled, planNeedle(settled, walk));
    SendPlan plan;
    plan.firstMove = std::max<std::uint64_t>(settled.resumeFrom, 1);
    std::ostringstream out;
    GcodeWriter writer(settled, out);
    int colour = 1;
    bool jump = false;
    writer.onNeedleMoveLine([&](std::uint64_t, std::uint64_t line) {
        plan.moveLines.push_back(line);
        plan.moveColours.push_back(colour);
        plan.moveJumps.push_back(jump);
    });
    walk([&](const DesignRecord& record) {
        jump = record.kind == RecordKind::Jump;
        writer.add(record);
        if (record.kind == RecordKind::ColourChange) ++colour;
    });
    writer.finish();
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
