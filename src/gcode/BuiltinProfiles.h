#pragma once
// The profiles that come with the program; Classic is the default and writes the program as
// it has always been written.

#include "gcode/MachineProfile.h"

#include <vector>

namespace tessaline {

inline constexpr const char* kClassicProfileName = "Classic";

// Classic first, then grbl 1.1, grblHAL, Marlin 2, LinuxCNC 2.9 and Klipper.
const std::vector<MachineProfile>& builtinProfiles();
const MachineProfile& classicProfile();

}  // namespace tessaline
