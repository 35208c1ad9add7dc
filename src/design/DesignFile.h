#pragma once
// Reading a design file from disk, by the rules every user file is read by (common/InputFile.h).

#include "common/PathError.h"
#include "design/DstDecoder.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tessaline {

// A design file that cannot be opened or read; what() names the file and the reason.
class DesignFileError : public PathError {
public:
    using PathError::PathError;
};

// Reads the whole file by its full path; throws DesignFileError (missing, folder, not a regular
// file, larger than kMaxDesignFileBytes, no permission, I/O error). Never blocks on a pipe or device.
std::vector<std::uint8_t> readDesignFile(const std::filesystem::path& path);

}  // namespace tessaline
