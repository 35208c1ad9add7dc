// The converter at the machine: a program resumed at a needle move, and the outline trace.

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;

// Three needle moves (a jump and two stitches) around a colour change; extents -2..3 by -4..0.
std::string designBytes() {
    test::DstTestEncoder encoder;
    encoder.jump(-20, 40).stitch(50, 0).colourChange().stitch(0, -40).end();
    const auto bytes = encoder.bytes();
    return std::string(bytes.begin(), bytes.end());
}

class AtTheMachine : public CliFolderTest {};

TEST_F(AtTheMachine, FromStitchTakesOnlyTheDesignsNeedleMoves) {
    const fs::path design = write("a.dst", designBytes());
    const auto whole = cli({"convert", design.string()});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    const auto last = cli({"convert", design.string(), "--from-stitch", "3"});
    ASSERT_EQ(last.exitCode, 0) << last.err;
    const std::string rebase = "G92 Z40\r\n";  // moves 1 and 2 took Z10 to Z40, where the needle stands
    const auto at = last.out.find(rebase);
    ASSERT_NE(at, std::string::npos) << last.out;
    EXPECT_TRUE(whole.out.ends_with(last.out.substr(at + rebase.size()))) << last.out;
    EXPECT_NE(last.out.find("(RESUME AT NEEDLE MOVE 3- Thread Color 2)"), std::string::npos) << last.out;

    const fs::path output = folder_ / "a.gc";
    for (const char* n : {"4", "0", "-1", "many"}) {
        const auto refused = cli({"convert", design.string(), "--from-stitch", n, "-o", output.string()});
        EXPECT_NE(refused.exitCode, 0) << n;
        EXPECT_FALSE(refused.err.empty()) << n;
        EXPECT_FALSE(fs::exists(output)) << n;
    }
    EXPECT_NE(cli({"convert", design.string(), "--from-stitch", "4"}).err.find("last needle move, 3"), std::string::npos);
    const auto info = cli({"info", "--json", design.string()});
    EXPECT_NE(info.out.find("\"needle_moves\": 3"), std::string::npos) << info.out;
}

TEST_F(AtTheMachine, TraceWritesTheCornersToAFile) {
    const fs::path design = write("a.dst", designBytes());
    const fs::path output = folder_ / "trace.gc";
    const auto r = cli({"trace", design.string(), "-o", output.string(), "--profile", "grbl 1.1", "--dwell", "1.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string program = test::slurp(output);
    EXPECT_NE(program.find("G0 X-2 Y-4\nG4 P1.5\nG0 X3 Y-4\nG4 P1.5\nG0 X3 Y0\nG4 P1.5\nG0 X-2 Y0\nG4 P1.5\nG0 X0 Y0\n"),
              std::string::npos)
        << program;
    EXPECT_EQ(program.find('Z'), std::string::npos);
    EXPECT_EQ(cli({"check", output.string(), "--profile", "grbl 1.1"}).exitCode, 0);
    EXPECT_EQ(cli({"trace", design.string(), "--dwell", "-1"}).exitCode, 2);
}

// --tie-in puts strokes in place after the travel, counted from a declared 0, and leaves every
// other line of the resumed program as it was; --tie-in 0 is the plain resumed program.
TEST_F(AtTheMachine, TieInsGoBetweenTheTravelAndTheJoin) {
    const fs::path design = write("a.dst", designBytes());
    const auto plain = cli({"convert", design.string(), "--from-stitch", "3"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(cli({"convert", design.string(), "--from-stitch", "3", "--tie-in", "0"}).out, plain.out);
    const auto tied = cli({"convert", design.string(), "--from-stitch", "3", "--tie-in", "2"});
    ASSERT_EQ(tied.exitCode, 0) << tied.err;
    // The travel is the resumed program's first G00 line; its X Y words are the join's point.
    const auto travel = plain.out.find("G00 X");
    ASSERT_NE(travel, std::string::npos) << plain.out;
    const auto travelEnd = plain.out.find("\r\n", travel) + 2;
    const std::string xy = plain.out.substr(travel + 4, plain.out.find(' ', plain.out.find('Y', travel)) - travel - 4);
    const std::string block = "G92 Z0\r\nG01 " + xy + " Z10 \r\nG01 Z20 \r\nG01 " + xy + " Z30 \r\nG01 Z40 \r\n";
    EXPECT_EQ(tied.out, plain.out.substr(0, travelEnd) + block + plain.out.substr(travelEnd)) << tied.out;
}

}  // namespace
}  // namespace tessaline
