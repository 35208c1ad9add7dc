#pragma once
// What a controller would refuse or misread in a G-code program, line by line, by the limits
// of its profile. Reads any program, not only the generator's.

#include "gcode/MachineProfile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

struct CheckFinding {
    std::size_t line = 0;  // 1-based; a missing end code is reported at the last line
    std::string message;
};

// Lines end at LF, CR LF or CR. Findings come in line order.
std::vector<CheckFinding> checkProgram(std::string_view program, const MachineProfile& profile);

}  // namespace tessaline
