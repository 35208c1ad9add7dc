// The program each built-in profile writes, over real designs, and the profile features one
// at a time.

#include "ProfileTestSupport.h"
#include "common/NumberFormat.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/ProgramChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using test::LoadedDesign;
using test::program;
using test::splitLines;

DesignRecord jump(double x, double y) { return {RecordKind::Jump, x, y}; }
DesignRecord stitch(double x, double y) { return {RecordKind::Stitch, x, y}; }
DesignRecord colourChange(double x, double y) { return {RecordKind::ColourChange, x, y}; }
DesignRecord trim(double x, double y) { return {RecordKind::Trim, x, y}; }

std::shared_ptr<const MachineProfile> builtin(const std::string& name) {
    for (const auto& profile : builtinProfiles()) {
        if (profile.name == name) return std::make_shared<const MachineProfile>(profile);
    }
    ADD_FAILURE() << "no built-in " << name;
    return nullptr;
}

// The number after letter in a line of words (comments left out), if the line has that word.
std::optional<std::string> wordValue(const std::string& line, char letter) {
    std::string code = line.substr(0, line.find_first_of("(;"));
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] != letter || (i > 0 && code[i - 1] != ' ')) continue;
        const std::size_t end = code.find(' ', i);
        return code.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
    }
    return std::nullopt;
}

bool isCommentLine(const MachineProfile& p, const std::string& line) {
    return (p.comments == CommentForm::Parentheses && line.starts_with("(")) ||
           (p.comments == CommentForm::Semicolon && line.starts_with(";"));
}

class EveryBuiltin : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        profile_ = builtin(GetParam());
        designs_ = test::realDesigns();
        if (designs_.empty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_DST_DIR;
    }
    std::shared_ptr<const MachineProfile> profile_;
    std::vector<LoadedDesign> designs_;
};

TEST_P(EveryBuiltin, ProgramOfEveryRealDesignPassesItsOwnCheck) {
    for (LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        design.options.notes = "hoop (2)\nthen: trim) X5";
        for (const double step : {10.0, 0.1}) {
            design.options.zStep = step;
            const std::string text = program(design.options, design.records, profile_);
            const auto findings = checkProgram(text, *profile_);
            for (const auto& finding : findings) ADD_FAILURE() << "line " << finding.line << ": " << finding.message;
        }
    }
}

// Moves land on the design: every jump and stitch at its point, in order, and each colour
// change at its point when the profile moves there.
TEST_P(EveryBuiltin, MovesLandOnTheDesignsPoints) {
    const MachineProfile& p = *profile_;
    for (const LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        std::vector<std::pair<std::string, std::string>> expected;
        for (std::size_t i = 0; i < design.records.size(); ++i) {
            const DesignRecord& record = design.records[i];
            if (record.kind == RecordKind::Other || record.kind == RecordKind::Trim) continue;
            if (record.kind == RecordKind::ColourChange &&
                (p.changeMove == ChangeMove::None || !test::colourChangeStops(design.records, i, p))) {
                continue;
            }
            expected.emplace_back(formatNumber(record.x), formatNumber(record.y));
        }
        std::vector<std::pair<std::string, std::string>> moved;
        for (const std::string& line : splitLines(program(design.options, design.records, profile_))) {
            if (isCommentLine(p, line)) continue;
            const auto x = wordValue(line, 'X');
            const auto y = wordValue(line, 'Y');
            if (x && y) moved.emplace_back(*x, *y);
        }
        EXPECT_EQ(moved, expected);
    }
}

// The needle word is k steps, k counting from 1 at the start and again after each re-base;
// jumps carry one only where the profile strokes them. A re-base comes after a whole stroke
// cycle (k even), after each colour stop and within a colour before a number passes the span.
TEST_P(EveryBuiltin, NeedleWordsCountWholeStepsFromEachRebase) {
    const MachineProfile& p = *profile_;
    const char axis = p.needleAxis.front();
    for (LoadedDesign& design : designs_) {
        SCOPED_TRACE(design.name);
        design.options.zStep = 0.3;
        std::uint64_t k = 0;
        std::size_t rebases = 0;
        std::size_t colourStops = 0;
        for (const std::string& line : splitLines(program(design.options, design.records, profile_))) {
            if (isCommentLine(p, line)) continue;
            if (line == test::rebaseLine(p, "0")) {
                EXPECT_EQ(k % 2, 0u) << "a re-base in the middle of a stroke cycle";
                k = 0;
                ++rebases;
                continue;
            }
            if (line == p.colourStop.back() || (p.colourStop.back().find("{colour}") != std::string::npos &&
                                                 line.starts_with(p.colourStop.back().substr(0, 3)))) {
                ++colourStops;
            }
            const auto value = wordValue(line, axis);
            if (!value) continue;
            ++k;
            ASSERT_EQ(*value, formatNumber(static_cast<double>(k * 3) / 10)) << line;
            if (p.rebaseSpan > 0) {
                EXPECT_LE(static_cast<double>(k * 3) / 10, static_cast<double>(p.rebaseSpan)) << line;
            }
            if (!p.jumpStrokes) {
                EXPECT_FALSE(line.starts_with(p.rapidCode + " ")) << line;
            }
        }
        if (p.rebase) {
            EXPECT_GE(rebases, colourStops);
        } else {
            EXPECT_EQ(rebases, 0u);
        }
        std::size_t stopping = 0;
        for (std::size_t i = 0; i < design.records.size(); ++i) {
            stopping += design.records[i].kind == RecordKind::ColourChange && test::colourChangeStops(design.records, i, p);
        }
        EXPECT_EQ(colourStops, stopping);
    }
}

TEST_P(EveryBuiltin, BoxesTheProfileCannotTakeAreLeftOutAndTheEndCodeWrittenOnce) {
    const MachineProfile& p = *profile_;
    const LoadedDesign& design = designs_.front();
    for (const bool boxes : {true, false}) {
        GcodeOptions options = design.options;
        options.emitG90 = options.emitG21 = options.emitG64 = boxes;
        options.emitM786 = options.emitM02 = options.emitM30 = boxes;
        const auto lines = splitLines(program(options, design.records, profile_));
        for (const std::string box : {"G90", "G21", "G64", "M786", "M02", "M30"}) {
            const bool written = std::find(lines.begin(), lines.end(), box) != lines.end();
            EXPECT_EQ(written, (boxes && boxProblem(p, box).empty()) || box == p.endCode) << box << " boxes " << boxes;
        }
        if (!p.endCode.empty()) {
            const auto ends = std::count_if(lines.begin(), lines.end(), [&p](const std::string& line) {
                return line == p.endCode || line == "M02" || line == "M30";
            });
            EXPECT_GE(ends, 1) << "boxes " << boxes;
            EXPECT_TRUE(lines.back() == p.endCode || lines.back() == "M30") << lines.back();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, EveryBuiltin,
                         ::testing::Values("Classic", "grbl 1.1", "grblHAL", "Marlin 2", "LinuxCNC 2.9", "Klipper"),
                         [](const auto& info) {
                             std::string name;
                             for (char ch : info.param) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

TEST(BuiltinProfiles, BoxProblemNamesTheProfileAndTheWord) {
    EXPECT_EQ(boxProblem(*builtin("grbl 1.1"), "G64"), "grbl 1.1 has no G64");
    EXPECT_EQ(boxProblem(*builtin("LinuxCNC 2.9"), "M786"), "LinuxCNC 2.9 has no M786");
    EXPECT_EQ(boxProblem(*builtin("LinuxCNC 2.9"), "G64"), "");
    EXPECT_EQ(boxProblem(classicProfile(), "M786"), "");
}

// A profile of LinuxCNC with one feature changed, on a small design.
MachineProfile variant() {
    MachineProfile p = *builtin("LinuxCNC 2.9");
    p.name = "variant";
    return p;
}

const std::vector<DesignRecord> kRuns = {
    jump(0, 0), jump(1, 0),                          // two jumps: no trim
    stitch(2, 0), jump(3, 0), jump(4, 0), jump(5, 0), // three: a trim
    stitch(6, 0), colourChange(6, 0), jump(7, 0), jump(8, 0), jump(9, 0), jump(10, 0), stitch(11, 0),
};

std::vector<std::string> variantLines(const MachineProfile& p, const std::vector<DesignRecord>& records = kRuns,
                                      GcodeOptions options = {}) {
    return splitLines(program(options, records, std::make_shared<const MachineProfile>(p)));
}

TEST(ProfileFeatures, TrimStopGoesBeforeRunsOfEnoughJumpsOnly) {
    MachineProfile p = variant();
    p.trimStop = {"M0 (MSG, trim)"};
    p.trimJumps = 3;
    const auto lines = variantLines(p);
    std::vector<std::string> firstMoveAfterTrim;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != p.trimStop.front()) continue;
        EXPECT_EQ(lines[i - 1], p.lampOff);
        firstMoveAfterTrim.push_back(lines[i + 1]);
    }
    EXPECT_EQ(firstMoveAfterTrim, (std::vector<std::string>{"G0 X3 Y0", "G0 X7 Y0"}));
    // The moves themselves are those of the program without trims.
    MachineProfile plain = variant();
    auto withoutTrims = lines;
    withoutTrims.erase(std::remove(withoutTrims.begin(), withoutTrims.end(), p.trimStop.front()), withoutTrims.end());
    EXPECT_EQ(withoutTrims, variantLines(plain));

    p.trimJumps = 5;
    const auto none = variantLines(p);
    EXPECT_EQ(std::count(none.begin(), none.end(), p.trimStop.front()), 0);
    p.trimJumps = 4;
    const auto one = variantLines(p);
    EXPECT_EQ(std::count(one.begin(), one.end(), p.trimStop.front()), 1);
}

// A trim the design holds stops before the jumps after it, however few; without a trim stop the
// profile writes nothing for it.
TEST(ProfileFeatures, ADesignsTrimStopsBeforeTheJumpsAfterIt) {
    const std::vector<DesignRecord> records = {stitch(0, 0), trim(1, 0), jump(1, 0), stitch(2, 0),
                                               jump(3, 0),   stitch(4, 0), trim(5, 0), stitch(5, 0)};
    std::vector<DesignRecord> untrimmed = records;
    std::erase_if(untrimmed, [](const DesignRecord& r) { return r.kind == RecordKind::Trim; });

    MachineProfile p = variant();
    EXPECT_EQ(variantLines(p, records), variantLines(p, untrimmed));
    p.trimStop = {"M0 (MSG, trim)"};
    const auto lines = variantLines(p, records);
    const auto stop = std::find(lines.begin(), lines.end(), p.trimStop.front());
    ASSERT_NE(stop, lines.end());
    EXPECT_EQ(*std::next(stop), "G0 X1 Y0");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), p.trimStop.front()), 1);
}

TEST(ProfileFeatures, TrailingJumpRunIsWrittenBeforeTheFooter) {
    MachineProfile p = variant();
    p.trimStop = {"M0"};
    const auto lines = variantLines(p, {stitch(0, 0), jump(1, 1), jump(2, 2)});
    const auto last = std::find(lines.begin(), lines.end(), "G0 X2 Y2");
    const auto footer = std::find(lines.begin(), lines.end(), "M02");
    ASSERT_NE(last, lines.end());
    EXPECT_LT(last, footer);
    EXPECT_EQ(lines.back(), "M30");
}

TEST(ProfileFeatures, NeedleUpWaitFollowsEveryStroke) {
    MachineProfile p = variant();
    p.needleUpWait = "M66 P0 L3 Q5";
    for (const bool strokes : {true, false}) {
        p.jumpStrokes = strokes;
        const auto lines = variantLines(p);
        std::size_t waits = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] != p.needleUpWait) continue;
            ++waits;
            EXPECT_TRUE(lines[i - 1].starts_with("G1 Z")) << lines[i - 1];
        }
        const std::size_t stitches = 3;
        const std::size_t jumps = 9;
        EXPECT_EQ(waits, stitches + (strokes ? jumps : 0)) << "strokes " << strokes;
    }
}

TEST(ProfileFeatures, TravelFeedMovesJumpsAtItsFeedAndRestoresTheStitchFeed) {
    MachineProfile p = variant();
    p.travelFeed = "4000";
    GcodeOptions options;
    options.feedText = "1200";
    const auto lines = variantLines(p, kRuns, options);
    std::string previousMove;
    std::size_t restored = 0;
    for (const std::string& line : lines) {
        if (line.starts_with("G1 X2 ") || line.starts_with("G1 X6 ") || line.starts_with("G1 X11 ")) {
            EXPECT_EQ(previousMove, "F 1200") << line << ": the stitch after travel needs its feed back";
            ++restored;
        }
        if (line.starts_with("G1 X") || line.starts_with("G0 X") || line.starts_with("F ")) previousMove = line;
    }
    EXPECT_EQ(restored, 3u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "G1 X4 Y0 F4000"), lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("G0 X"); }), 1)
        << "only the colour change moves at rapid";
}

TEST(ProfileFeatures, ProgressRisesFromZeroToAHundred) {
    MachineProfile p = variant();
    p.progress = "M73 P{percent}";
    GcodeOptions options;
    options.recordCount = kRuns.size();
    std::vector<int> percents;
    for (const std::string& line : variantLines(p, kRuns, options)) {
        if (line.starts_with("M73 P")) percents.push_back(std::stoi(line.substr(5)));
    }
    ASSERT_GE(percents.size(), 3u);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end()) << "a percentage repeated";
    options.recordCount = 0;
    const auto without = variantLines(p, kRuns, options);
    EXPECT_EQ(std::count_if(without.begin(), without.end(), [](const std::string& l) { return l.starts_with("M73"); }), 0);
}

TEST(ProfileFeatures, CommentFormsAxisAndColourNumbers) {
    MachineProfile p = variant();
    p.comments = CommentForm::Semicolon;
    p.needleAxis = "A";
    p.colourStop = {"M6 T{colour}"};
    GcodeOptions options;
    options.notes = "a (b)\nc";
    const auto lines = variantLines(p, {stitch(0, 0), colourChange(0, 0), stitch(1, 1), colourChange(1, 1)}, options);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "; Important Notes: a [b]"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "; c"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "M6 T2"), lines.end());
    // The last colour change is the design's end: no stop for a third thread.
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "M6 T3"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "G1 X1 Y1 A10"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "G92 A0"), lines.end());
    for (const auto& line : lines) EXPECT_EQ(line.find('('), std::string::npos) << line;

    p.comments = CommentForm::None;
    for (const auto& line : variantLines(p)) {
        EXPECT_FALSE(line.starts_with("(") || line.starts_with(";")) << line;
    }
}

}  // namespace
}  // namespace tessaline
