#pragma once
// Splitting one G-code line into the pieces an editor colours: comments, G and M words, and
// coordinate words. Pure and allocation-light, so colouring only what is shown stays cheap.

#include <cstddef>
#include <string_view>
#include <vector>

namespace tessaline {

enum class GcodeTokenKind { Plain, Comment, GWord, MWord, Coordinate };

struct GcodeToken {
    std::size_t begin = 0;
    std::size_t length = 0;
    GcodeTokenKind kind = GcodeTokenKind::Plain;

    bool operator==(const GcodeToken&) const = default;
};

// The tokens of line (without its line break), in order, covering every byte exactly once;
// adjacent plain bytes form one token. A comment runs from "(" to the first ")" (comments do not
// nest) or from ";" to the end of the line; an unclosed "(" runs to the end of the line. A word is
// a letter (either case) followed directly by a number: G and M words, and X Y Z I J K A B C as
// coordinates. A letter without a number, and other words (F, S, N...), are plain.
std::vector<GcodeToken> tokenizeGcodeLine(std::string_view line);

}  // namespace tessaline
