#pragma once
// How a typed profile name finds a profile: case, spaces, hyphens and underscores do not count,
// and a name's trailing version ("grbl 1.1", "Marlin 2") may be left out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

// Lower case, with spaces, hyphens and underscores removed: "GRBL-1.1" gives "grbl1.1".
std::string normalisedProfileName(std::string_view name);

// The positions in names of the profiles spelling picks: those whose normalised name equals the
// spelling's when there are any, else those whose name without its version does. Empty when none
// fits; more than one when the spelling is ambiguous.
std::vector<std::size_t> matchProfileName(const std::vector<std::string_view>& names, std::string_view spelling);

// "Classic, grbl 1.1, …": names for a message.
std::string listProfileNames(const std::vector<std::string_view>& names);

}  // namespace tessaline
