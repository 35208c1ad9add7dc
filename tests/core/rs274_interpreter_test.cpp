// Programs run through LinuxCNC's own interpreter (`rs274 -g`, Debian package linuxcnc-uspace):
// no error, feed moves on the design's points, and a needle axis that only grows.

#include "ProfileTestSupport.h"
#include "TempFolder.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/NeedlePlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

struct Canon {
    bool feed = false;  // STRAIGHT_FEED, else STRAIGHT_TRAVERSE
    std::string x, y;
    double z = 0;
    double zOffset = 0;  // the G92 offset in force: the machine's needle is at z + zOffset
};

struct Interpreted {
    int exitCode = -1;
    std::string output;
    std::vector<Canon> moves;
    std::size_t offsetsSet = 0;  // SET_G92_OFFSET lines, the interpreter's own start-up one included
};

std::string fixed4(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

Interpreted interpret(const std::string& program) {
    // rs274 keeps its tool table in a memory-mapped file in $HOME that each run truncates, so
    // runs side by side would fault each other: each has a home of its own.
    const test::TempFolder home("tessaline-rs274");
    const fs::path file = home.path() / "program.ngc";
    std::ofstream(file, std::ios::binary) << program;
    Interpreted result;
    const std::string folder = "'" + home.path().string() + "'";
    FILE* pipe = ::popen(("cd " + folder + " && HOME=" + folder + " rs274 -g program.ngc 2>&1 </dev/null").c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start rs274";
        return result;
    }
    char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.output.append(chunk, got);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    static const std::regex move(R"((STRAIGHT_FEED|STRAIGHT_TRAVERSE)\((-?[0-9.]+), (-?[0-9.]+), (-?[0-9.]+),)");
    static const std::regex offset(R"(SET_G92_OFFSET\((-?[0-9.]+), (-?[0-9.]+), (-?[0-9.]+),)");
    double zOffset = 0;
    for (const std::string& line : test::splitLines(result.output)) {
        std::smatch m;
        if (std::regex_search(line, m, move)) {
            result.moves.push_back({m[1] == "STRAIGHT_FEED", m[2], m[3], std::stod(m[4]), zOffset});
        } else if (std::regex_search(line, m, offset)) {
            zOffset = std::stod(m[3]);
            ++result.offsetsSet;
        }
    }
    return result;
}

class Rs274 : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v rs274 >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "rs274 is not installed (Debian package linuxcnc-uspace)";
        }
        designs_ = test::realDesigns();
        if (designs_.empty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_DST_DIR;
        // Several designs, not all: each run starts a whole interpreter.
        if (designs_.size() > 5) designs_.resize(5);
    }
    std::vector<test::LoadedDesign> designs_;
};

void expectCleanRun(const Interpreted& run) {
    EXPECT_EQ(run.exitCode, 0) << run.output.substr(run.output.size() > 2000 ? run.output.size() - 2000 : 0);
    EXPECT_NE(run.output.find("PROGRAM_END()"), std::string::npos);
}

TEST_F(Rs274, LinuxCncProfileRunsWithStitchesOnTheDesignAndAGrowingNeedle) {
    const auto profile = std::make_shared<const MachineProfile>(builtinProfiles().at(4));
    ASSERT_EQ(profile->name, "LinuxCNC 2.9");
    for (test::LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        design.options.notes = "flower (1)\ntwo) X5 Y7";
        const Interpreted run = interpret(test::program(design.options, design.records, profile));
        expectCleanRun(run);
        std::vector<std::pair<std::string, std::string>> expectedFeeds, expectedTraverses, feeds, traverses;
        std::size_t colourStops = 0;
        for (std::size_t i = 0; i < design.records.size(); ++i) {
            const DesignRecord& record = design.records[i];
            const auto point = std::make_pair(fixed4(record.x), fixed4(record.y));
            if (record.kind == RecordKind::Stitch) {
                expectedFeeds.push_back(point);  // the move, then the stroke in place
                expectedFeeds.push_back(point);
            } else if (record.kind == RecordKind::Jump) {
                expectedTraverses.push_back(point);
            } else if (record.kind == RecordKind::ColourChange && test::colourChangeStops(design.records, i, *profile)) {
                expectedTraverses.push_back(point);
                ++colourStops;
            }
        }
        // The program's needle words restart after each G92 and stay within the span; the
        // machine's needle only goes on, as far as the header says it must allow.
        double lastMachineZ = -1;
        for (std::size_t i = 0; i < run.moves.size(); ++i) {
            const Canon& move = run.moves[i];
            (move.feed ? feeds : traverses).emplace_back(move.x, move.y);
            if (!move.feed) continue;
            EXPECT_GT(move.z + move.zOffset, lastMachineZ) << "needle axis went back at move " << i;
            EXPECT_LE(move.z, static_cast<double>(profile->rebaseSpan)) << "move " << i;
            lastMachineZ = move.z + move.zOffset;
        }
        NeedlePlanner planner(*profile, design.options.zStep);
        for (const DesignRecord& record : design.records) planner.add(record);
        EXPECT_NEAR(lastMachineZ, planner.plan().travel, 1e-3);
        // The interpreter's own start-up offset, one per colour stop, and the re-bases within colours.
        EXPECT_GE(run.offsetsSet, colourStops + 1);
        EXPECT_EQ(feeds, expectedFeeds);
        EXPECT_EQ(traverses, expectedTraverses);
    }
}

TEST_F(Rs274, ClassicWithoutM786Runs) {
    for (test::LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        design.options.emitM786 = false;
        const Interpreted run = interpret(test::program(design.options, design.records, nullptr));
        expectCleanRun(run);
        std::vector<std::pair<std::string, std::string>> expected, feeds;
        for (const DesignRecord& record : design.records) {
            const auto point = std::make_pair(fixed4(record.x), fixed4(record.y));
            if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) {
                expected.push_back(point);
                expected.push_back(point);
            } else if (record.kind == RecordKind::ColourChange) {
                expected.push_back(point);
            }
        }
        double lastZ = -1;
        for (const Canon& move : run.moves) {
            ASSERT_TRUE(move.feed);
            feeds.emplace_back(move.x, move.y);
            EXPECT_GE(move.z, lastZ);
            lastZ = move.z;
        }
        EXPECT_EQ(feeds, expected);
    }
}

TEST_F(Rs274, ResumedLinuxCncProgramsRun) {
    const auto profile = std::make_shared<const MachineProfile>(builtinProfiles().at(4));
    for (test::LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        const auto moves = static_cast<std::uint64_t>(std::count_if(
            design.records.begin(), design.records.end(),
            [](const DesignRecord& r) { return r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump; }));
        design.options.resumeFrom = moves / 2 + 1;
        const Interpreted run = interpret(test::program(design.options, design.records, profile));
        expectCleanRun(run);
        // The travel to the join, then every later needle word lands above the re-based one.
        ASSERT_FALSE(run.moves.empty());
        EXPECT_FALSE(run.moves.front().feed);
        double lastMachineZ = -1e300;
        for (const Canon& move : run.moves) {
            if (!move.feed) continue;
            EXPECT_GE(move.z + move.zOffset, lastMachineZ);
            lastMachineZ = move.z + move.zOffset;
        }
    }
}

// Tie-in strokes after the travel: feeds in place at the join's point, the machine's needle only
// going on through them and past the join's re-base into the resumed moves.
TEST_F(Rs274, ResumedLinuxCncProgramsWithTieInsRun) {
    const auto profile = std::make_shared<const MachineProfile>(builtinProfiles().at(4));
    constexpr unsigned kTieIns = 3;
    for (test::LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        std::vector<const DesignRecord*> moves;
        for (const DesignRecord& r : design.records)
            if (r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump) moves.push_back(&r);
        design.options.resumeFrom = moves.size() / 2 + 1;
        design.options.tieInStitches = kTieIns;
        const Interpreted run = interpret(test::program(design.options, design.records, profile));
        expectCleanRun(run);
        const DesignRecord& at = *moves[design.options.resumeFrom - 1];
        const auto point = std::make_pair(fixed4(at.x), fixed4(at.y));
        ASSERT_GT(run.moves.size(), 1 + 2 * kTieIns);
        EXPECT_FALSE(run.moves.front().feed);
        EXPECT_EQ(std::make_pair(run.moves.front().x, run.moves.front().y), point);
        double lastMachineZ = -1e300;
        for (std::size_t i = 1; i <= 2 * kTieIns; ++i) {
            const Canon& move = run.moves[i];
            EXPECT_TRUE(move.feed) << "tie-in line " << i;
            EXPECT_EQ(std::make_pair(move.x, move.y), point) << "tie-in line " << i;
            EXPECT_GT(move.z + move.zOffset, lastMachineZ) << "tie-in line " << i;
            lastMachineZ = move.z + move.zOffset;
        }
        for (std::size_t i = 1 + 2 * kTieIns; i < run.moves.size(); ++i) {
            if (!run.moves[i].feed) continue;
            EXPECT_GT(run.moves[i].z + run.moves[i].zOffset, lastMachineZ) << "move " << i;
            lastMachineZ = run.moves[i].z + run.moves[i].zOffset;
        }
    }
}

TEST_F(Rs274, ClassicWithM786IsRefused) {
    const Interpreted run = interpret(test::program(designs_.front().options, designs_.front().records, nullptr));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("M786"), std::string::npos);
}

}  // namespace
}  // namespace tessaline
