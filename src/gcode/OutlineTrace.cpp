#include "gcode/OutlineTrace.h"

#include "common/NumberFormat.h"
#include "gcode/ProgramPlanner.h"

#include <string>

namespace tessaline {

void planOutlineTrace(const GcodeOptions& options, const MachineProfile& profile, const DesignFigures& extents,
                      double dwellSeconds, PlanSink& sink) {
    ProgramPlanner planner(options, profile, sink);
    planner.header();
    const std::string note = "OUTLINE TRACE- needle held, " + formatNumber(dwellSeconds) + " s at each corner";
    PlanOp op;
    op.text = note;
    sink.put(op);
    op.text = {};
    PlanOp dwell;
    dwell.kind = PlanOpKind::Dwell;
    dwell.z = dwellSeconds;
    const double corners[][2] = {{extents.minX, extents.minY},
                                 {extents.maxX, extents.minY},
                                 {extents.maxX, extents.maxY},
                                 {extents.minX, extents.maxY}};
    op.kind = PlanOpKind::Travel;
    for (const auto& corner : corners) {
        op.x = corner[0];
        op.y = corner[1];
        sink.put(op);
        sink.put(dwell);
    }
    op.x = 0;  // back where every program starts
    op.y = 0;
    sink.put(op);
    planner.footer();
}

}  // namespace tessaline
