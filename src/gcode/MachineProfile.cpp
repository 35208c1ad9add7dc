#include "gcode/MachineProfile.h"

#include <algorithm>
#include <cctype>

namespace tessaline {

std::string codeNumber(std::string_view code) {
    if (!code.empty() && std::isalpha(static_cast<unsigned char>(code.front()))) code.remove_prefix(1);
    while (code.size() > 1 && code.front() == '0' && code[1] != '.') code.remove_prefix(1);
    return std::string(code);
}

std::string boxProblem(const MachineProfile& profile, std::string_view box) {
    const auto takes = [box](const std::vector<std::string>& words) {
        return std::find(words.begin(), words.end(), box) != words.end();
    };
    if (takes(profile.headerWords) || takes(profile.footerWords)) return {};
    return profile.name + " has no " + std::string(box);
}

}  // namespace tessaline
