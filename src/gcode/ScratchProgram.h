#pragma once
// A whole G-code program written to a file in one go, for the window's scratch file, saving
// and the command line alike.

#include "design/DstDecoder.h"
#include "gcode/GcodeOptions.h"
#include "gcode/NeedlePlan.h"

#include <filesystem>
#include <functional>

namespace tessaline {

// Puts the plan's needle travel into options for the header; throws NeedleRangeError when the
// options' profile cannot take the program so planned (needlePlanProblem).
void settleNeedle(GcodeOptions& options, const NeedlePlan& plan);

// The plan of the records that walkRecords hands to its sink, for options' step and profile.
NeedlePlan planNeedle(const GcodeOptions& options, const std::function<void(const RecordSink&)>& walkRecords);

// Generates the program of the records that walkRecords hands to its sink, in order, and
// replaces path with it atomically. Unless options carry the needle travel, the records are
// walked once before to plan it (settleNeedle). Throws FileWriteError when the file cannot be
// written, NeedleRangeError before writing when the program cannot be; an exception from
// walkRecords propagates and leaves path untouched.
void writeProgramFile(const std::filesystem::path& path, const GcodeOptions& options,
                      const std::function<void(const RecordSink&)>& walkRecords);

}  // namespace tessaline
