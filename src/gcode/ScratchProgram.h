#pragma once
// A whole G-code program written to a file in one go, for the window's scratch file, saving
// and the command line alike.

#include "design/DstDecoder.h"
#include "gcode/GcodeOptions.h"
#include "gcode/NeedlePlan.h"

#include <filesystem>
#include <functional>
#include <string_view>

namespace tessaline {

// The largest program file read back (the window's pane, `check`): what the generator writes for
// the largest design. A record gives at most a move, a needle stroke and a few profile lines,
// each well under 32 bytes in the built-in dialects, so 128 bytes a record leaves room to spare.
constexpr std::uintmax_t kMaxProgramFileBytes = kMaxDesignRecords * 128;
// How a larger program is refused, as InputLimit words it.
inline constexpr std::string_view kProgramTooLarge = "more than Tessaline writes for the largest design";
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
