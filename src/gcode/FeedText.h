#pragma once
// The feed box's text goes into the program after "F " as it stands; this says when it must not.

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

// A message naming the text when a controller would read part of it as another word (any
// letter: "1500 G0 X50", "1500mm"); nothing for every other text, the empty one included.
std::optional<std::string> feedTextProblem(std::string_view feedText);

}  // namespace tessaline
