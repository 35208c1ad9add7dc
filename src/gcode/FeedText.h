#pragma once
// The feed box's text goes into the program after "F " as it stands; this says when it must not.

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

// A message naming the text unless it is a feed a controller reads as one number and nothing
// else: digits with at most one decimal point, greater than 0. The empty text is taken too
// (the program then says "F " alone, as it always has).
std::optional<std::string> feedTextProblem(std::string_view feedText);

}  // namespace tessaline
