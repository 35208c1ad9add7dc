#include "gcode/FeedText.h"

namespace tessaline {

std::optional<std::string> feedTextProblem(std::string_view feedText) {
    for (const char ch : feedText) {
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) {
            return "the feed '" + std::string(feedText) + "' holds the letter '" + std::string(1, ch) +
                   "'; a controller would read it as another word, so give the feed as a number";
        }
    }
    return std::nullopt;
}

}  // namespace tessaline
