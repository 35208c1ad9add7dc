// Numbers at the extremes, refused where they enter: the needle step, the resume point and the
// hoop diameter, by every command that takes them.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;

class ExtremeNumbers : public CliFolderTest {};

TEST_F(ExtremeNumbers, NeedleStepsNoProfileCanWriteAreUsageErrors) {
    const fs::path design = write("a.dst", test::twoColourDesignBytes());
    const fs::path output = folder_ / "a.gc";
    const struct {
        const char* step;
        const char* profile;
        const char* reason;
    } cases[] = {
        {"1e308", "Classic", "needle step 1e+308 is beyond Classic's range of 1e+15"},
        {"1e-320", "Classic", "needle step 1e-320 must be in whole thousandths"},
        {"0.0001", "Classic", "whole thousandths"},
        {"12345.678", "grbl 1.1", "grbl 1.1 keeps 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const auto run = cli({"convert", design.string(), "--z-step", c.step, "--profile", c.profile, "-o", output.string()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("--z-step"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("00000000000000000000"), std::string::npos) << "a number written out in full";
        EXPECT_FALSE(fs::exists(output));
        const auto info = cli({"info", design.string(), "--z-step", c.step, "--profile", c.profile});
        EXPECT_EQ(info.exitCode, 2) << info.out;
    }
    // The largest needle number of the program, not the step alone, must fit: 3 moves of 2 strokes.
    const auto last = cli({"convert", design.string(), "--z-step", "200000000000000"});
    EXPECT_EQ(last.exitCode, 1);
    EXPECT_NE(last.err.find("reaches 1.2e+15, beyond Classic's range of 1e+15"), std::string::npos) << last.err;
}

TEST_F(ExtremeNumbers, FromStitchCountsFromOneAndNamesWhatIsPastTheEnd) {
    const fs::path design = write("a.dst", test::twoColourDesignBytes());
    const struct {
        const char* n;
        int exitCode;
        const char* says;
    } cases[] = {
        {"0", 2, "needle moves count from 1"},
        {"-3", 2, "needle moves count from 1"},
        {"9223372036854775809", 1, "--from-stitch 9223372036854775809 is past the design's last needle move, 3"},
        {"000123456789012345678901234567890", 1, "--from-stitch 123456789012345678901234567890 is past the design's last needle move, 3"},
        {"4", 1, "--from-stitch 4 is past the design's last needle move, 3"},
        {"1.5", 2, "whole number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        const auto run = cli({"convert", design.string(), "--from-stitch", c.n});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_EQ(cli({"convert", design.string(), "--from-stitch", "3"}).exitCode, 0);
}

TEST_F(ExtremeNumbers, HoopDiametersThatAreNoHoopAreRefusedByInfoAndPreview) {
    const fs::path design = write("a.dst", test::twoColourDesignBytes());
    const std::string png = (folder_ / "a.png").string();
    for (const char* diameter : {"0", "-1", "nan", "inf", "-inf"}) {
        SCOPED_TRACE(diameter);
        const auto info = cli({"info", design.string(), "--hoop-diameter", diameter});
        EXPECT_EQ(info.exitCode, 2);
        EXPECT_EQ(info.out, "");
        EXPECT_NE(info.err.find("hoop diameter must be a number of millimetres greater than 0"), std::string::npos)
            << info.err;
        const auto preview = cli({"preview", design.string(), "-o", png, "--hoop-diameter", diameter});
        EXPECT_EQ(preview.exitCode, 2);
        EXPECT_FALSE(fs::exists(png));
    }
    EXPECT_EQ(cli({"info", design.string(), "--hoop-diameter", "0.5"}).exitCode, 0);
}

TEST_F(ExtremeNumbers, InfoStatesTheNeedleTravelOfTheProfilesProgram) {
    const fs::path design = write("a.dst", test::twoColourDesignBytes());
    // Classic strokes the jump too: 3 moves of two 10 mm steps. grbl holds the needle on the jump.
    const auto classic = cli({"info", design.string(), "--json"});
    EXPECT_NE(classic.out.find("\"needle_travel_mm\": 60,"), std::string::npos) << classic.out;
    const auto grbl = cli({"info", design.string(), "--profile", "grbl 1.1", "--z-step", "0.5"});
    ASSERT_EQ(grbl.exitCode, 0) << grbl.err;
    EXPECT_NE(grbl.out.find("Needle travel: 2 mm for grbl 1.1\n"), std::string::npos) << grbl.out;
    const auto program = cli({"convert", design.string(), "--profile", "grbl 1.1", "--z-step", "0.5"});
    EXPECT_NE(program.out.find("(Needle axis travel: 2 mm of machine position over the program)\n"), std::string::npos)
        << program.out;
}

}  // namespace
}  // namespace tessaline
