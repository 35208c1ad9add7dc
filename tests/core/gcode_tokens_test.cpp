#include "gcode/GcodeTokens.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tessaline {
namespace {

// Renders tokens as "kind:text|..." so that a table states them readably.
std::string render(std::string_view line) {
    std::string out;
    std::size_t covered = 0;
    for (const GcodeToken& token : tokenizeGcodeLine(line)) {
        EXPECT_EQ(token.begin, covered) << "gap or overlap in " << line;
        covered = token.begin + token.length;
        static const char* const names[] = {"P", "C", "G", "M", "X"};
        out += names[static_cast<int>(token.kind)];
        out += ':';
        out += line.substr(token.begin, token.length);
        out += '|';
    }
    EXPECT_EQ(covered, line.size()) << line;
    return out;
}

TEST(GcodeTokensTest, SplitsLinesIntoCommentsWordsAndCoordinates) {
    const struct {
        std::string_view line;
        std::string tokens;
    } cases[] = {
        {"", ""},
        {"G01 X12.5 Y-3.25 Z40 ", "G:G01|P: |X:X12.5|P: |X:Y-3.25|P: |X:Z40|P: |"},
        {"M7", "M:M7|"},
        {"g0 x+1.", "G:g0|P: |X:x+1.|"},
        // Comments end at the first closing bracket; a second one is plain text.
        {"(THREAD (2) COLOR)", "C:(THREAD (2)|P: COLOR)|"},
        {"G00 (rapid) X1", "G:G00|P: |C:(rapid)|P: |X:X1|"},
        {"(never closed X1", "C:(never closed X1|"},
        {"X1 ; rest Y2", "X:X1|P: |C:; rest Y2|"},
        // Letters without a number and other words are plain.
        {"F1500 S10 N5", "P:F1500 S10 N5|"},
        {"X Y- G. M", "P:X Y- G. M|"},
        {"%", "P:%|"},
        {"X1.2.3", "X:X1.2|P:.3|"},
    };
    for (const auto& c : cases) EXPECT_EQ(render(c.line), c.tokens) << c.line;
}

}  // namespace
}  // namespace tessaline
