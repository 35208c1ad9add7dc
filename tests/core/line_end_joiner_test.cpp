#include "gcode/LineEndJoiner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tessaline {
namespace {

// The text fed whole and split in two at every position must give the same shown text.
TEST(LineEndJoinerTest, JoinsLineEndsWhereverThePiecesSplit) {
    const struct {
        std::string_view text;
        std::string shown;
    } cases[] = {
        {"", ""},
        {"G01\r\n", "G01"},
        {"A\r\nB\r\n", "A\nB"},
        {"A\nB\n", "A\nB"},
        {"A\r\n\r\nB", "A\n\nB"},
        {"A\r\n\r\n", "A\n"},               // only the last line's break is dropped
        {"A\rB\r", "A\rB\r"},               // a CR without LF stays
        {"A\r\r\nB", "A\r\nB"},
        {"\r\n", ""},
    };
    for (const auto& c : cases) {
        for (std::size_t split = 0; split <= c.text.size(); ++split) {
            LineEndJoiner joiner;
            std::string out;
            joiner.feed(c.text.substr(0, split), out);
            joiner.feed(c.text.substr(split), out);
            joiner.finish(out);
            EXPECT_EQ(out, c.shown) << "text " << testing::PrintToString(std::string(c.text)) << " split at " << split;
        }
    }
}

}  // namespace
}  // namespace tessaline
