#pragma once
// The jobs a front end runs on an opened design with options from programOptions or traceOptions:
// each walks the session's records afresh, so a store-held design is re-read and checked by its
// seal every time (StoreError when the store holds another design).

#include "gcode/GcodeOptions.h"
#include "machine/SendPlan.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string_view>

namespace tessaline {

class DesignSession;

// How long an outline trace pauses at each corner unless told otherwise: long enough to see the
// needle sit there.
inline constexpr double kTraceDwellSeconds = 0.5;

// The program (resumed where options.resumeFrom says) written to out; the caller checks out.
void writeProgram(const DesignSession& session, const GcodeOptions& options, std::ostream& out);
// The same program replacing path atomically. Throws FileWriteError; path is untouched on any failure.
void saveProgram(const DesignSession& session, const GcodeOptions& options, const std::filesystem::path& path);

// The needle move whose move line is program line `line` (1-based, the header counted) of the
// program for options, or whose needle stroke it is when lineText is that line's text; 0 when
// the line belongs to no needle move.
std::uint64_t needleMoveOnLine(const DesignSession& session, const GcodeOptions& options, std::uint64_t line,
                               std::string_view lineText);

// The outline trace (options from traceOptions) written to out, or replacing path atomically.
void writeTrace(const DesignSession& session, const GcodeOptions& options, std::ostream& out,
                double dwellSeconds = kTraceDwellSeconds);
void saveTrace(const DesignSession& session, const GcodeOptions& options, const std::filesystem::path& path,
               double dwellSeconds = kTraceDwellSeconds);

// The program for options planned for sending (planSend).
SendPlan sendPlan(const DesignSession& session, const GcodeOptions& options);

}  // namespace tessaline
