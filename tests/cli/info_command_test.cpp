// tessaline-cli info, run as the user runs it.

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tessaline::test::DstTestEncoder;

using tessaline::test::shellQuoted;
using CliRun = tessaline::test::CliResult;

class InfoCommandTest : public tessaline::test::CliFolderTest {
protected:
    CliRun run(const std::vector<std::string>& args) { return cli(args); }

    // Reached x: -30, 91, 91, 90, 90; y as shown (the file's y negated): -40, -37, -37, 63, 63.
    static std::vector<std::uint8_t> sampleDesign() {
        DstTestEncoder dst;
        dst.jump(-30, 40).stitch(121, -3).colourChange().stitch(-1, -100).end().trailing({0x1A});
        return dst.bytes();
    }
};

TEST_F(InfoCommandTest, PlainFiguresAsTheWindowShowsThem) {
    const fs::path file = write("sample.dst", sampleDesign());
    const CliRun r = run({"info", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "File: sample.dst\n"
              "Total Stitches: 5\n"
              "Total Colors: 2\n"
              "Jump Stitches: 1\n"
              "Dimensions: 10.3mm x 12.1mm\n"
              "Min. X: -3 mm\n"
              "Min. Y: -4 mm\n"
              "Max. X: 9.1 mm\n"
              "Max. Y: 6.3 mm\n"
              "Hoop: Fits the 150 mm hoop with 64.01 mm to spare.\n"  // farthest: (9, 6.3), the end record
              "Total Estimated Time: 30Minutes\n");  // 5 / 100 + 2 x 10 + 10
    EXPECT_EQ(r.err, "");
}

TEST_F(InfoCommandTest, EstimateFollowsTheMachineFigures) {
    const fs::path file = write("sample.dst", sampleDesign());
    const CliRun hours = run({"info", file.string(), "--spm", "400", "--thread-change", "30", "--hoop", "10"});
    EXPECT_EQ(hours.exitCode, 0) << hours.err;
    EXPECT_NE(hours.out.find("\nTotal Estimated Time: 1.17Hr\n"), std::string::npos) << hours.out;  // 70 minutes
    const CliRun json = run({"info", file.string(), "--json", "--spm", "400", "--thread-change", "30"});
    EXPECT_NE(json.out.find("\"estimate\": \"Total Estimated Time: 1.17Hr\", \"total_minutes\": 70.0125}"),
              std::string::npos)
        << json.out;
    const CliRun stopped = run({"info", file.string(), "--json", "--spm", "0"});
    EXPECT_NE(stopped.out.find("\"estimate\": \"Total Estimated Time: --\", \"total_minutes\": null}"),
              std::string::npos)
        << stopped.out;
    EXPECT_EQ(run({"info", file.string(), "--spm", "fast"}).exitCode, 2);
}

TEST_F(InfoCommandTest, JsonFigures) {
    const fs::path file = write("sample.dst", sampleDesign());
    const CliRun r = run({"info", "--json", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"file\": \"sample.dst\", \"stitches\": 5, \"colors\": 2, \"jumps\": 1, "
              "\"min_x\": -3, \"min_y\": -4, \"max_x\": 9.1, \"max_y\": 6.3, \"width\": 12.1, \"height\": 10.3, "
              "\"needle_moves\": 3, \"needle_travel_mm\": 60, \"fits_hoop\": true, \"hoop_margin_mm\": 64.0140999458397, "
              "\"estimate\": \"Total Estimated Time: 30Minutes\", \"total_minutes\": 30.05}\n");
}

TEST_F(InfoCommandTest, HoopFitJustInsideAndJustOutside) {
    const fs::path file = write("sample.dst", sampleDesign());  // reaches 10.9859 mm from home
    const struct {
        const char* diameter;
        const char* plain;
        const char* json;
    } cases[] = {
        {"21.98", "Hoop: Fits the 21.98 mm hoop with 0 mm to spare.\n", "\"fits_hoop\": true"},
        {"21.97", "Hoop: Does not fit the 21.97 mm hoop: it reaches 0.01 mm beyond its edge.\n", "\"fits_hoop\": false"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.diameter);
        const CliRun plain = run({"info", file.string(), "--hoop-diameter", c.diameter});
        EXPECT_NE(plain.out.find(c.plain), std::string::npos) << plain.out;
        const CliRun json = run({"info", file.string(), "--json", "--hoop-diameter", c.diameter});
        EXPECT_NE(json.out.find(c.json), std::string::npos) << json.out;
    }
}

TEST_F(InfoCommandTest, JsonEscapesTheFileName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"say \"hi\".dst", "say \\\"hi\\\".dst"},
        {"back\\slash.dst", "slash.dst"},  // a backslash separates folders in the bare name
        {"tab\there.dst", "tab\\there.dst"},
        {"bell\x07.dst", "bell\\u0007.dst"},
        {"caf\xc3\xa9 \xe2\x9c\x82.dst", "caf\xc3\xa9 \xe2\x9c\x82.dst"},
        {"bad\xff\xc3.dst", "bad\\ufffd\\ufffd.dst"},
        {"over\xc0\xaf.dst", "over\\ufffd\\ufffd.dst"},
    };
    for (const auto& [name, escaped] : cases) {
        SCOPED_TRACE(escaped);
        const fs::path file = write(name, sampleDesign());
        const CliRun r = run({"info", "--json", file.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind("{\"file\": \"" + escaped + "\", \"stitches\": 5,", 0), 0u) << r.out;
    }
}

TEST_F(InfoCommandTest, EmptyDesign) {
    // A header and no records; a file too short for the header is no design at all.
    const CliRun none = run({"info", write("nothing.dst", std::string()).string()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("too short to be a design"), std::string::npos) << none.err;
    const fs::path file = write("empty.dst", DstTestEncoder().bytes());
    const CliRun plain = run({"info", file.string()});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out,
              "File: empty.dst\nTotal Stitches: 0\nTotal Colors: 1\nJump Stitches: 0\nDimensions: 0mm x 0mm\n"
              "Min. X: 0 mm\nMin. Y: 0 mm\nMax. X: 0 mm\nMax. Y: 0 mm\n"
              "Hoop: Fits the 150 mm hoop with 75 mm to spare.\nTotal Estimated Time: 20Minutes\n");
    const CliRun json = run({"info", file.string(), "--json"});
    EXPECT_EQ(json.out,
              "{\"file\": \"empty.dst\", \"stitches\": 0, \"colors\": 1, \"jumps\": 0, \"min_x\": 0, \"min_y\": 0, "
              "\"max_x\": 0, \"max_y\": 0, \"width\": 0, \"height\": 0, "
              "\"needle_moves\": 0, \"needle_travel_mm\": 0, \"fits_hoop\": true, \"hoop_margin_mm\": 75, "
              "\"estimate\": \"Total Estimated Time: 20Minutes\", \"total_minutes\": 20}\n");
}

TEST_F(InfoCommandTest, UnreadableFileFailsWithPathAndReason) {
    const fs::path missing = folder_ / "missing.dst";
    const CliRun r = run({"info", missing.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(missing.string() + ": No such file or directory"), std::string::npos) << r.err;

    const CliRun folder = run({"info", "--json", folder_.string()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.out, "");
    EXPECT_NE(folder.err.find(folder_.string() + ": Is a directory"), std::string::npos) << folder.err;
}

TEST_F(InfoCommandTest, OutputThatCannotBeWrittenFails) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const fs::path file = write("sample.dst", sampleDesign());
    const std::string command = shellQuoted(TESSALINE_CLI) + " info " + shellQuoted(file.string()) +
                                " >/dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST_F(InfoCommandTest, UsageErrorsExitWithTwo) {
    const fs::path file = write("sample.dst", sampleDesign());
    EXPECT_EQ(run({"info"}).exitCode, 2);
    EXPECT_EQ(run({"info", file.string(), "--no-such-option"}).exitCode, 2);
    EXPECT_EQ(run({"info", file.string(), file.string()}).exitCode, 2);
}

TEST_F(InfoCommandTest, HelpExplainsTheCommand) {
    const CliRun r = run({"info", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--json"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DESIGN.dst"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("millimetres"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--spm"), std::string::npos) << r.out;
}

TEST_F(InfoCommandTest, VersionAndOverview) {
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tessaline-cli 2.4.8\n");
    const CliRun overview = run({});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char* command : {"info", "convert", "preview"})
        EXPECT_NE(overview.out.find(command), std::string::npos) << command;
}

}  // namespace
