#pragma once
// Typed-in values checked once, where they enter: the command line and the window refuse the
// same values with the same words.

#include <optional>
#include <string>

namespace tessaline {

// Why a hoop diameter cannot be used: it must be a finite number of millimetres above 0.
std::optional<std::string> hoopDiameterProblem(double millimetres);

}  // namespace tessaline
