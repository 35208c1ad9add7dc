#pragma once
// The plan of an outline trace: the program's header, then with the needle held a travel to
// each corner of the design's extents with a dwell there, back to the start, and the footer.

#include "design/DesignRecord.h"
#include "gcode/GcodeOptions.h"
#include "gcode/MachineProfile.h"
#include "gcode/PlanOp.h"

namespace tessaline {

void planOutlineTrace(const GcodeOptions& options, const MachineProfile& profile, const DesignFigures& extents,
                      double dwellSeconds, PlanSink& sink);

}  // namespace tessaline
