// The needle axis's numbers and the numbers in programs: re-bases, the travel a program needs,
// resumes that stroke in step, no stop after the last colour, and numbers a profile can take.

#include "ProfileTestSupport.h"
#include "common/NumberFormat.h"
#include "design/DesignFormat.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/NeedlePlan.h"
#include "gcode/ProgramChecker.h"
#include "gcode/ScratchProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

std::shared_ptr<const MachineProfile> shared(const MachineProfile& profile) {
    return std::make_shared<const MachineProfile>(profile);
}

// colours blocks of stitches, each followed by a colour change (the last one is the design's end),
// with a jump at the start of each block.
std::vector<DesignRecord> blocks(int colours, int stitchesEach) {
    std::vector<DesignRecord> records;
    for (int c = 0; c < colours; ++c) {
        records.push_back({RecordKind::Jump, c * 5.0, 0});
        for (int i = 0; i < stitchesEach; ++i) records.push_back({RecordKind::Stitch, c * 5.0 + i % 7 * 0.1, i % 3 * 0.1});
        records.push_back({RecordKind::ColourChange, c * 5.0, 1});
    }
    return records;
}

// The number after the needle axis's letter, or after "<axis>=" on a re-base line.
std::optional<double> needleNumber(const std::string& line, const MachineProfile& p) {
    for (const std::string& key : {p.needleAxis + "=", p.needleAxis}) {
        const auto at = line.find(" " + key);
        if (at != std::string::npos) return parseLenient(line.substr(at + 1 + key.size()));
    }
    return std::nullopt;
}

TEST(FormatRounded, AtMostTheDecimalsAskedHalvesAwayFromZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {-42.3333333333333, 3, "-42.333"}, {30.3333333333333, 2, "30.33"},  {0.0005, 3, "0.001"},
        {-0.0005, 3, "-0.001"},            {2.0045, 3, "2.005"},             {-0.0004, 3, "0"},
        {12.3, 3, "12.3"},                 {1234567.8, 3, "1234567.8"},      {2.5, 0, "3"},
        {-2.5, 0, "-3"},                   {0.125, 2, "0.13"},               {1.10001, 3, "1.1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatRounded(c.value, c.decimals), c.text) << c.value << " to " << c.decimals;
    }
}

TEST(FormatRounded, NoTextForANumberThatIsNotFinite) {
    for (const double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(formatNumber(bad), std::domain_error);
        EXPECT_THROW(formatRounded(bad, 3), std::domain_error);
    }
}

TEST(NeedleStep, RefusedUnlessFiniteInThousandthsAndWithinTheProfile) {
    const MachineProfile& classic = classicProfile();
    const MachineProfile& grbl = builtinProfiles().at(1);
    const struct {
        double step;
        const MachineProfile& profile;
        const char* problem;  // a piece of the refusal; nullptr when the step is fine
    } cases[] = {
        {10, classic, nullptr},
        {0.001, classic, nullptr},
        {2.5, grbl, nullptr},
        {0, classic, "greater than 0"},
        {-1, classic, "greater than 0"},
        {std::numeric_limits<double>::quiet_NaN(), classic, "greater than 0"},
        {std::numeric_limits<double>::infinity(), classic, "greater than 0"},
        {1e308, classic, "beyond Classic's range"},
        {1e-320, classic, "whole thousandths"},
        {0.0005, classic, "whole thousandths"},
        {0.0015, classic, "whole thousandths"},
        {20000000, grbl, "beyond grbl 1.1's range"},
        {12345.678, grbl, "8 significant digits; grbl 1.1 keeps 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const auto problem = needleStepProblem(c.step, c.profile);
        if (c.problem == nullptr) {
            EXPECT_FALSE(problem) << *problem;
        } else {
            ASSERT_TRUE(problem);
            EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        }
    }
}

// The plan made before the header agrees with the program written after it: its largest needle
// number, and for profiles whose re-base keeps the machine position, the travel of every stroke.
TEST(NeedlePlan, AgreesWithTheProgramForEveryProfile) {
    const std::vector<DesignRecord> records = blocks(3, 260);
    for (const MachineProfile& profile : builtinProfiles()) {
        for (const double step : {10.0, 0.3}) {
            SCOPED_TRACE(profile.name + " step " + formatNumber(step));
            NeedlePlanner planner(profile, step);
            for (const DesignRecord& record : records) planner.add(record);
            const NeedlePlan& plan = planner.plan();
            GcodeOptions options;
            options.zStep = step;
            double largest = 0;
            double machine = 0;
            double offset = 0;
            for (const std::string& line : test::splitLines(test::program(options, records, shared(profile)))) {
                const auto number = needleNumber(line, profile);
                if (!number) continue;
                if (line == test::rebaseLine(profile, "0")) {
                    offset = profile.rebaseResets ? 0 : machine;
                    if (profile.rebaseResets) machine = 0;
                    continue;
                }
                largest = std::max(largest, *number);
                machine = *number + offset;
            }
            EXPECT_NEAR(plan.largestNumber, largest, 1e-9);
            EXPECT_NEAR(plan.travel, profile.rebaseResets ? largest : machine, 1e-6);
            if (profile.rebaseSpan > 0) {
                EXPECT_LE(largest, static_cast<double>(profile.rebaseSpan));
            }
            EXPECT_EQ(plan.moves, 3u * 261u);
        }
    }
}

// A million stitches of one colour: a profile writes it within its numbers, or refuses it naming
// the needle move whose stroke passes its needle_machine_max.
TEST(NeedlePlan, AMillionStitchesOfOneColourAreCleanOrRefusedAtTheirMove) {
    const std::vector<DesignRecord> records = blocks(1, 1'000'000);
    for (const MachineProfile& profile : builtinProfiles()) {
        SCOPED_TRACE(profile.name);
        NeedlePlanner planner(profile, 10);
        for (const DesignRecord& record : records) planner.add(record);
        const auto problem = needlePlanProblem(planner.plan(), 10, profile);
        if (profile.rebaseResets || !profile.rebase) {
            EXPECT_FALSE(problem) << *problem;
            EXPECT_EQ(planner.plan().limitMove, 0u);
            continue;
        }
        // Each move strokes twice, 20 mm; the first jump does not stroke.
        const auto within = static_cast<std::uint64_t>(profile.needleMachineMax / 20);
        ASSERT_TRUE(problem);
        EXPECT_NE(problem->find("needle move " + formatUnsigned(within + 2) + " takes"), std::string::npos) << *problem;
        EXPECT_NE(problem->find(profile.name + "'s needle_machine_max"), std::string::npos) << *problem;

        GcodeOptions options;
        options.profile = shared(profile);
        const auto walk = [&records](const RecordSink& sink) {
            for (const DesignRecord& record : records) sink(record);
        };
        const auto path = std::filesystem::temp_directory_path() / "tessaline-needle-million.gc";
        EXPECT_THROW(writeProgramFile(path, options, walk), NeedleRangeError);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(NeedlePlan, ResettingProfilesWriteAMillionStitchesTheirCheckerPasses) {
    const std::vector<DesignRecord> records = blocks(1, 1'000'000);
    for (const MachineProfile& profile : builtinProfiles()) {
        if (!profile.rebaseResets) continue;
        SCOPED_TRACE(profile.name);
        GcodeOptions options;
        const auto findings = checkProgram(test::program(options, records, shared(profile)), profile);
        EXPECT_TRUE(findings.empty()) << findings.front().line << ": " << findings.front().message;
    }
}

// Resuming at move N declares where the whole program's needle stands before move N's line (its
// last needle number, or 0 after a re-base), in the profile's own re-base words, and is then the
// whole program from that line on.
TEST(Resume, DeclaresWhereTheNeedleStandsAndIsTheWholeProgramsTail) {
    const std::vector<DesignRecord> records = blocks(3, 60);
    const std::uint64_t moves = 3 * 61;
    for (const MachineProfile& profile : builtinProfiles()) {
        GcodeOptions options;
        options.profile = shared(profile);
        std::map<std::uint64_t, std::uint64_t> lineOf;
        std::ostringstream out;
        GcodeWriter writer(options, out);
        writer.onNeedleMoveLine([&lineOf](std::uint64_t move, std::uint64_t line) { lineOf[move] = line; });
        for (const DesignRecord& record : records) writer.add(record);
        writer.finish();
        const std::vector<std::string> whole = test::splitLines(out.str());

        for (const std::uint64_t n : {std::uint64_t{1}, std::uint64_t{2}, std::uint64_t{52}, std::uint64_t{62},
                                      std::uint64_t{63}, moves - 1, moves}) {
            SCOPED_TRACE(profile.name + " N=" + std::to_string(n));
            const std::size_t at = lineOf.at(n) - 1;  // 0-based index of move N's line
            double standing = 0;
            for (std::size_t i = at; i-- > 0;) {
                if (whole[i] == test::rebaseLine(profile, "0")) break;
                if (const auto number = needleNumber(whole[i], profile); number && !whole[i].starts_with(";") &&
                                                                          !whole[i].starts_with("(")) {
                    standing = *number;
                    break;
                }
            }
            options.resumeFrom = n;
            const std::vector<std::string> resumed = test::splitLines(test::program(options, records, options.profile));
            const std::vector<std::string> tail(whole.begin() + static_cast<std::ptrdiff_t>(at), whole.end());
            ASSERT_GT(resumed.size(), tail.size());
            const auto declared = resumed.end() - static_cast<std::ptrdiff_t>(tail.size()) - 1;
            EXPECT_EQ(*declared, test::rebaseLine(profile, formatNumber(standing)));
            EXPECT_TRUE(std::equal(tail.begin(), tail.end(), declared + 1));
        }
    }
}

// No stop for a thread that does not exist: the design's last colour change stops only in Classic.
TEST(ColourStops, NoneAfterTheLastNeedleMoveSaveInClassic) {
    for (const MachineProfile& profile : builtinProfiles()) {
        for (const int colours : {1, 2, 3}) {
            SCOPED_TRACE(profile.name + " colours " + std::to_string(colours));
            GcodeOptions options;
            std::size_t stops = 0;
            for (const std::string& line : test::splitLines(test::program(options, blocks(colours, 4), shared(profile)))) {
                stops += line.find(profile.colourComment) != std::string::npos;
            }
            EXPECT_EQ(stops, static_cast<std::size_t>(profile.finalColourStop ? colours : colours - 1));
        }
    }
    EXPECT_TRUE(classicProfile().finalColourStop);
}

// Coordinates in thirds of 0.1 mm (PCS) carry three decimals, which every profile's checker takes;
// on the 0.1 mm grid they print as they always did.
TEST(ProgramNumbers, ThirdsOfATenthCarryThreeDecimals) {
    std::vector<DesignRecord> records;
    for (int i = 0; i < 60; ++i) records.push_back({RecordKind::Stitch, -127 + i / 30.0, 42 + i / 3.0 / 10.0});
    records.push_back({RecordKind::ColourChange, 0, 0});
    for (const MachineProfile& profile : builtinProfiles()) {
        SCOPED_TRACE(profile.name);
        GcodeOptions options;
        const std::string text = test::program(options, records, shared(profile));
        EXPECT_NE(text.find(" X-126.967 Y42.033"), std::string::npos);  // the second record
        const auto findings = checkProgram(text, profile);
        EXPECT_TRUE(findings.empty()) << findings.front().line << ": " << findings.front().message;
    }
}

// Every built-in's program of every shared design, in every format, passes that profile's check.
TEST(SharedDesigns, EveryProfilesProgramOfEveryFormatPassesItsCheck) {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {TESSALINE_REAL_DST_DIR, TESSALINE_REAL_FORMATS_DIR}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (!name.ends_with(".csv") && !name.ends_with(".md") && !name.ends_with(".tsv")) files.push_back(entry.path());
        }
    }
    if (files.empty()) GTEST_SKIP() << "no shared designs beside the checkout";
    for (const auto& file : files) {
        std::vector<DesignRecord> records;
        try {
            const auto bytes = readDesignFile(file);
            decodeDesignFile(file, bytes, [&records](const DesignRecord& record) { records.push_back(record); });
        } catch (const DesignFileError&) {
            continue;  // not a design this program reads
        }
        for (const MachineProfile& profile : builtinProfiles()) {
            SCOPED_TRACE(profile.name + " " + file.filename().string());
            GcodeOptions options;
            NeedlePlanner planner(profile, options.zStep);
            for (const DesignRecord& record : records) planner.add(record);
            ASSERT_NO_THROW(settleNeedle(options, planner.plan()));
            const auto findings = checkProgram(test::program(options, records, shared(profile)), profile);
            for (const auto& finding : findings) ADD_FAILURE() << "line " << finding.line << ": " << finding.message;
        }
    }
}

}  // namespace
}  // namespace tessaline
