// How every command reports a failure: one line "tessaline-cli: REASON" and status 1 for what is
// met doing the work, the option's usage error and status 2 for a choice refused on its own; and
// of several faults in one command line, the same one first whichever command it is.

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/FeedText.h"
#include "gcode/MachineProfile.h"
#include "gcode/NeedlePlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::CliFolderTest;
using test::DstTestEncoder;

constexpr int kNeedleMoves = 60;

// kNeedleMoves short stitches in one colour.
std::string designBytes() {
    DstTestEncoder encoder;
    for (int i = 0; i < kNeedleMoves; ++i) encoder.stitch(i % 2 == 0 ? 10 : -10, 1);
    const auto bytes = encoder.end().bytes();
    return {bytes.begin(), bytes.end()};
}

const MachineProfile& grbl() {
    for (const MachineProfile& profile : builtinProfiles()) {
        if (profile.name == "grbl 1.1") return profile;
    }
    throw std::logic_error("no grbl 1.1 among the built-in profiles");
}

// The last line of a command's error output: the preview's graphics library may speak first.
std::string lastLine(const std::string& text) {
    const std::size_t end = text.ends_with('\n') ? text.size() - 1 : text.size();
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos || start >= end ? 0 : start + 1);
}

std::string usage(const std::string& option, const std::string& reason) {
    return option + ": " + reason + "\nRun with --help for more information.\n";
}

class FailureReport : public CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        design_ = write("rows.dst", designBytes()).string();
        missing_ = (folder_ / "absent.dst").string();
        port_ = (folder_ / "no-port").string();
    }

    // The command line of command on design, with what it needs to get as far as the design.
    std::vector<std::string> line(const std::string& command, const std::string& design,
                                  std::vector<std::string> more = {}) const {
        std::vector<std::string> arguments = {command, design};
        if (command == "preview") arguments.insert(arguments.end(), {"-o", (folder_ / "p.png").string()});
        if (command == "send") arguments.insert(arguments.end(), {"--port", port_});
        if (command == "send" && std::find(more.begin(), more.end(), "--profile") == more.end()) {
            arguments.insert(arguments.end(), {"--profile", "grbl"});
        }
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    std::string design_;
    std::string missing_;
    std::string port_;
};

struct Expected {
    std::vector<std::string> arguments;
    int exitCode;
    std::string err;  // a failure's last line, or the whole of a usage error
};

TEST_F(FailureReport, EachFaultHasOneWordingAndStatusInEveryCommand) {
    std::vector<Expected> cases;
    for (const char* command : {"convert", "trace", "preview", "info", "send"}) {
        cases.push_back({line(command, missing_), 1, "tessaline-cli: " + missing_ + ": " + std::strerror(ENOENT)});
        if (std::string(command) != "preview") cases.push_back({line(command, design_, {"--profile", "nosuch"}), 2, ""});
    }
    const std::string noFolder = (folder_ / "gone" / "out").string();
    for (const char* command : {"convert", "trace", "preview"}) {
        std::vector<std::string> arguments = {command, design_, "-o", noFolder};
        cases.push_back({arguments, 1,
                         "tessaline-cli: " + noFolder + ": cannot create a temporary file: " + std::strerror(ENOENT)});
        cases.push_back({{command, design_, "-o", design_}, 1,
                         "tessaline-cli: " + design_ + ": is the design being read; choose another output file"});
    }
    for (const char* command : {"convert", "trace", "send"}) {
        cases.push_back({line(command, design_, {"--feed", "fast"}), 1, "tessaline-cli: " + *feedTextProblem("fast")});
    }
    const std::string past = std::to_string(kNeedleMoves + 1);
    for (const char* command : {"convert", "send"}) {
        cases.push_back({line(command, design_, {"--from-stitch", past}), 1,
                         "tessaline-cli: " + design_ + ": --from-stitch " + past +
                             " is past the design's last needle move, " + std::to_string(kNeedleMoves)});
        cases.push_back({line(command, design_, {"--from-stitch", "00"}), 2,
                         usage("--from-stitch", "'00': needle moves count from 1")});
        cases.push_back({line(command, design_, {"--tie-in", "2"}), 2, usage("--tie-in", "needs a needle move to resume at")});
        cases.push_back({line(command, design_, {"--from-stitch", "2", "--tie-in", "21"}), 2,
                         usage("--tie-in", "must be a whole number of strokes from 0 to 20, not 21")});
        cases.push_back({line(command, design_, {"--from-stitch", "2", "--tie-in", "-1"}), 2,
                         usage("--tie-in", "must be a whole number of strokes from 0 to 20, not -1")});
    }
    for (const char* command : {"convert", "send", "info"}) {
        cases.push_back({line(command, design_, {"--profile", "grbl", "--z-step", "0.0001"}), 2,
                         usage("--z-step", *needleStepProblem(0.0001, grbl()))});
    }
    for (const Expected& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) shown += argument + " ";
        SCOPED_TRACE(shown);
        const auto result = cli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(result.out, "");
        if (c.err.empty()) {
            EXPECT_EQ(result.err.rfind("--profile: nosuch: no profile is called that", 0), 0u) << result.err;
            EXPECT_TRUE(result.err.ends_with("\nRun with --help for more information.\n")) << result.err;
        } else if (c.exitCode == 2) {
            EXPECT_EQ(result.err, c.err);
        } else {
            EXPECT_EQ(lastLine(result.err), c.err + "\n");
            EXPECT_EQ(result.err.find("tessaline-cli: "), result.err.rfind("tessaline-cli: ")) << "one line only";
        }
    }
    EXPECT_FALSE(fs::exists(folder_ / "p.png"));
    EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

// A needle travel the machine cannot make is the design's failure, named by its file.
TEST_F(FailureReport, NeedleTravelPastTheMachineNamesTheDesign) {
    for (const char* command : {"convert", "send"}) {
        SCOPED_TRACE(command);
        const auto result = cli(line(command, design_, {"--profile", "grbl", "--z-step", "99999"}));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("tessaline-cli: " + design_ + ": needle move ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("past grbl 1.1's needle_machine_max"), std::string::npos) << result.err;
    }
}

// With several faults the first reported is, in order: the resume point's form, the feed, the
// profile, the needle step; then the design's own failures.
TEST_F(FailureReport, FaultsAreReportedInTheSameOrder) {
    const std::string badFeed = "tessaline-cli: " + *feedTextProblem("1.2.3") + "\n";
    const struct {
        std::vector<std::string> more;
        int exitCode;
        std::string errStart;
    } cases[] = {
        {{"--from-stitch", "x", "--feed", "1.2.3", "--profile", "nosuch"}, 2, "--from-stitch: must be a whole number"},
        {{"--feed", "1.2.3", "--profile", "nosuch", "--z-step", "0.0001"}, 1, badFeed},
        {{"--profile", "nosuch", "--z-step", "0.0001"}, 2, "--profile: nosuch: "},
        {{"--z-step", "0.0001", "--from-stitch", "99999"}, 2, "--z-step: the needle step 0.0001"},
    };
    for (const char* command : {"convert", "send"}) {
        for (const auto& c : cases) {
            std::vector<std::string> arguments = line(command, missing_, c.more);
            SCOPED_TRACE(std::string(command) + " " + c.more.front());
            const auto result = cli(arguments);
            EXPECT_EQ(result.exitCode, c.exitCode);
            EXPECT_EQ(result.err.rfind(c.errStart, 0), 0u) << result.err;
        }
    }
    const auto trace = cli({"trace", missing_, "--feed", "1.2.3", "--profile", "nosuch"});
    EXPECT_EQ(trace.exitCode, 1);
    EXPECT_EQ(trace.err, badFeed);
}

}  // namespace
}  // namespace tessaline
