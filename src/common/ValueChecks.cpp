#include "common/ValueChecks.h"

#include <cmath>

namespace tessaline {

std::optional<std::string> hoopDiameterProblem(double millimetres) {
    if (std::isfinite(millimetres) && millimetres > 0) return std::nullopt;
    return "the hoop diameter must be a number of millimetres greater than 0";
}

}  // namespace tessaline
