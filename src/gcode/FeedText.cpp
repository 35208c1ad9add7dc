#include "gcode/FeedText.h"

#include <algorithm>

namespace tessaline {

std::optional<std::string> feedTextProblem(std::string_view feedText) {
    if (feedText.empty()) return std::nullopt;
    const auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    // Anything else (a letter, a bracket, ';', a blank or a line break) could be read as another
    // word, a comment or a line of its own.
    const bool number = std::all_of(feedText.begin(), feedText.end(), [&](char ch) { return isDigit(ch) || ch == '.'; }) &&
                        std::count(feedText.begin(), feedText.end(), '.') <= 1;
    if (!number || std::none_of(feedText.begin(), feedText.end(), [&](char ch) { return isDigit(ch) && ch != '0'; })) {
        return "the feed '" + std::string(feedText) +
               "' is not a feed: give it as a number greater than 0, in digits with at most one decimal point";
    }
    return std::nullopt;
}

}  // namespace tessaline
