#include "machine/SendPlan.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/ScratchProgram.h"

#include <algorithm>
#include <sstream>

namespace tessaline {

namespace {

std::vector<std::string_view> programLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string withColour(std::string_view form, int colour) {
    std::string text(form);
    for (std::size_t at = text.find("{colour}"); at != std::string::npos; at = text.find("{colour}", at)) {
        text.replace(at, 8, std::to_string(colour));
    }
    return text;
}

// Finds the stops by their first profile line between needle moves: a colour stop's lines follow
// its comment as change move, lamp and stop lines; a trim stop comes before a run of jumps.
void findStops(SendPlan& plan, const MachineProfile& profile) {
    if (profile.colourStop.empty() && profile.trimStop.empty()) return;
    const auto lines = programLines(plan.text);
    const std::uint64_t lead = (profile.changeMove != ChangeMove::None ? 1 : 0) + (profile.lampOn.empty() ? 0 : 1);
    // Gap k lies before needle move k (the last one after every move); colour stops need a move before.
    for (std::size_t k = 0; k <= plan.moveLines.size(); ++k) {
        const bool last = k == plan.moveLines.size();
        const std::uint64_t to = last ? lines.size() + 1 : plan.moveLines[k];
        int colour = k == 0 ? 1 : plan.moveColours[k - 1] + 1;
        const int until = k == 0 ? 0 : last ? colour : plan.moveColours[k];
        for (std::uint64_t line = k == 0 ? 1 : plan.moveLines[k - 1] + 1; line < to; ++line) {
            const std::string_view text = lines[line - 1];
            if (!profile.colourStop.empty() && colour <= until && text == withColour(profile.colourStop.front(), colour)) {
                plan.stops.push_back({line > lead ? line - lead : line, true, colour++});
            } else if (!last && plan.moveJumps[k] && !profile.trimStop.empty() && text == profile.trimStop.front()) {
                plan.stops.push_back({line, false, plan.moveColours[k]});
            }
        }
    }
}

}  // namespace

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
    findStops(plan, settled.profile ? *settled.profile : classicProfile());
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
