#pragma once
// A whole G-code program written to a file in one go, for the window's scratch file, saving
// and the command line alike.

#include "design/DstDecoder.h"
#include "gcode/GcodeOptions.h"

#include <filesystem>
#include <functional>

namespace tessaline {

// Generates the program of the records that walkRecords hands to its sink, in order, and
// replaces path with it atomically. Throws FileWriteError when the file cannot be written;
// an exception from walkRecords propagates and leaves path untouched.
void writeProgramFile(const std::filesystem::path& path, const GcodeOptions& options,
                      const std::function<void(const RecordSink&)>& walkRecords);

}  // namespace tessaline
