#pragma once
// The program's name and version, as the G-code header, the window and the converter show them.

#include <string>

namespace tessaline {

inline constexpr const char* kProgramName = "Tessaline";
inline constexpr int kVersionMajor = TESSALINE_VERSION_MAJOR;
inline constexpr int kVersionMinor = TESSALINE_VERSION_MINOR;
inline constexpr int kVersionRevision = TESSALINE_VERSION_PATCH;

// "2.4.8"
inline std::string versionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision);
}

}  // namespace tessaline
