// The plan a design is sent by: the same program a saved file holds, each needle move's line and
// colour, and the counts a front end derives from the line the controller runs; the thread names
// and the serial devices offered.

#include "DstTestEncoder.h"
#include "ProfileTestSupport.h"

#include "design/DstDecoder.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/ScratchProgram.h"
#include "machine/SendPlan.h"
#include "machine/SerialLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

std::shared_ptr<const MachineProfile> profileNamed(const std::string& name) {
    for (const MachineProfile& profile : builtinProfiles()) {
        if (profile.name == name) return std::make_shared<MachineProfile>(profile);
    }
    return nullptr;
}

class SendPlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::DstTestEncoder encoder;
        for (int colour = 0; colour < 3; ++colour) {
            encoder.jump(30, 10);
            for (int s = 0; s < 4 + colour; ++s) encoder.stitch(5, s % 2 == 0 ? 3 : -3);
            if (colour < 2) encoder.colourChange();
        }
        encoder.end();
        decodeDst(encoder.bytes(), [this](const DesignRecord& record) {
            records_.push_back(record);
            if (record.kind == RecordKind::ColourChange) ++colour_;
            if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) {
                colours_.push_back(colour_);
                jumps_.push_back(record.kind == RecordKind::Jump);
            }
        });
        options_.recordCount = records_.size();
    }
    std::function<void(const RecordSink&)> walk() const {
        return [this](const RecordSink& sink) {
            for (const DesignRecord& record : records_) sink(record);
        };
    }
    std::vector<DesignRecord> records_;
    std::vector<int> colours_;  // of each needle move
    std::vector<bool> jumps_;   // whether each needle move is a jump
    int colour_ = 1;
    GcodeOptions options_;
};

TEST_F(SendPlanTest, SendsTheSavedProgramAndFindsEachMovesLineAndColour) {
    for (const char* name : {"Classic", "grbl 1.1", "Marlin 2", "Klipper"}) {
        SCOPED_TRACE(name);
        GcodeOptions options = options_;
        options.profile = profileNamed(name);
        ASSERT_NE(options.profile, nullptr);
        const SendPlan plan = planSend(options, walk());
        const fs::path saved = fs::temp_directory_path() / ("tessaline-plan-" + std::to_string(::getpid()) + ".GC");
        writeProgramFile(saved, options, walk());
        std::ostringstream file;
        file << std::ifstream(saved, std::ios::binary).rdbuf();
        fs::remove(saved);
        EXPECT_EQ(plan.text, file.str());

        EXPECT_EQ(plan.moveColours, colours_);
        EXPECT_EQ(plan.moveJumps, jumps_);
        EXPECT_EQ(plan.colours, 3);
        EXPECT_EQ(plan.firstMove, 1u);
        ASSERT_EQ(plan.moveLines.size(), colours_.size());
        std::vector<std::string> lines;
        std::istringstream in(plan.text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        for (std::size_t k = 0; k < plan.moveLines.size(); ++k) {
            ASSERT_GE(plan.moveLines[k], 1u);
            ASSERT_LE(plan.moveLines[k], lines.size());
            if (k > 0) {
                EXPECT_GT(plan.moveLines[k], plan.moveLines[k - 1]);
            }
            const std::string& line = lines[plan.moveLines[k] - 1];
            EXPECT_TRUE(line.starts_with(options.profile->moveCode + " ") || line.starts_with(options.profile->rapidCode + " "))
                << "move " << k + 1 << ": " << lines[plan.moveLines[k] - 1];
        }
    }
}

TEST_F(SendPlanTest, CountsMovesDoneColoursAheadAndTheResumePointFromTheRunningLine) {
    for (const std::uint64_t from : {1u, 7u}) {
        SCOPED_TRACE(from);
        GcodeOptions options = options_;
        options.profile = profileNamed("grbl 1.1");
        options.resumeFrom = from;
        const SendPlan plan = planSend(options, walk());
        ASSERT_EQ(plan.firstMove, from);
        ASSERT_GE(plan.moveLines.size(), 3u);
        const std::uint64_t last = plan.moveLines.size() - 1;
        struct Case {
            std::uint64_t line;
            std::uint64_t done;
        };
        const Case cases[] = {
            {0, 0},                                   // nothing run yet
            {plan.moveLines[0] - 1, 0},               // the header
            {plan.moveLines[0], 0},                   // the first move runs
            {plan.moveLines[1] - 1, 0},               // its needle stroke
            {plan.moveLines[1], 1},                   // the second runs: the first is done
            {plan.moveLines[last], last},             // the last runs
            {plan.moveLines[last] + 1000, last},      // the ending
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.line);
            EXPECT_EQ(movesDone(plan, c.line), c.done);
            EXPECT_EQ(resumeMove(plan, c.line), from + c.done);
            const std::uint64_t next = std::min(c.done + 1, last);
            EXPECT_EQ(nextColour(plan, c.line), c.done + 1 > last ? plan.colours : plan.moveColours[next]);
        }
        // At each colour stop (the line before a colour's first move) the next thread is that colour.
        for (std::size_t k = 1; k < plan.moveColours.size(); ++k) {
            if (plan.moveColours[k] != plan.moveColours[k - 1]) {
                EXPECT_EQ(nextColour(plan, plan.moveLines[k] - 1), plan.moveColours[k]);
            }
        }
    }
}

TEST_F(SendPlanTest, FindsEachStopsFirstLineBetweenTheColoursAndBeforeTrimmedJumps) {
    auto trimming = std::make_shared<MachineProfile>(*profileNamed("grblHAL"));
    trimming->trimStop = {"M0 (MSG, Trim the thread)"};
    trimming->trimJumps = 1;
    const struct {
        std::shared_ptr<const MachineProfile> profile;
        std::uint64_t from;  // 0: the whole program
    } cases[] = {{profileNamed("grbl 1.1"), 0}, {profileNamed("grblHAL"), 0}, {profileNamed("Marlin 2"), 0},
                 {profileNamed("Klipper"), 0},  {profileNamed("grbl 1.1"), 7},  {trimming, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile->name + " from move " + std::to_string(c.from));
        GcodeOptions options = options_;
        options.profile = c.profile;
        options.resumeFrom = c.from;
        const SendPlan plan = planSend(options, walk());
        std::vector<std::string> lines;
        std::istringstream in(plan.text);
        for (std::string line; std::getline(in, line);) lines.push_back(line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
        std::vector<int> colourStops, trimStops;
        for (std::size_t s = 0; s < plan.stops.size(); ++s) {
            const PlanStop& stop = plan.stops[s];
            if (s > 0) {
                EXPECT_GT(stop.line, plan.stops[s - 1].line);
            }
            ASSERT_GE(stop.line, 1u);
            ASSERT_LE(stop.line, lines.size());
            // The needle moves around it: the stop lies between two moves, the next one its colour's.
            const auto next = std::upper_bound(plan.moveLines.begin(), plan.moveLines.end(), stop.line);
            ASSERT_NE(next, plan.moveLines.end());
            const auto k = static_cast<std::size_t>(next - plan.moveLines.begin());
            EXPECT_EQ(stop.nextColour, plan.moveColours[k]);
            // The machine waits at this stop from its first line until the next move's line.
            EXPECT_EQ(stopAt(plan, stop.line), &stop);
            const PlanStop* waiting = stopAt(plan, *next - 1);
            ASSERT_NE(waiting, nullptr);
            EXPECT_GE(waiting->line, stop.line);
            EXPECT_EQ(stopAt(plan, *next), nullptr);
            const std::string& first = lines[stop.line - 1];
            if (stop.colour) {
                ASSERT_GT(k, 0u);
                colourStops.push_back(stop.nextColour);
                EXPECT_NE(plan.moveColours[k - 1], plan.moveColours[k]);
                const MachineProfile& p = *c.profile;
                if (p.changeMove != ChangeMove::None) {
                    EXPECT_TRUE(first.starts_with(p.rapidCode + " X") || first.starts_with(p.moveCode + " X")) << first;
                } else {
                    EXPECT_EQ(first, p.colourStop.front());
                }
                const std::string stopText = "Thread colour " + std::to_string(stop.nextColour);
                const bool named = std::any_of(lines.begin() + static_cast<long>(stop.line) - 1,
                                               lines.begin() + static_cast<long>(*next) - 1,
                                               [&](const std::string& l) { return l.find(stopText) != std::string::npos || l == "M0"; });
                EXPECT_TRUE(named) << "no stop for " << stopText;
            } else {
                trimStops.push_back(stop.nextColour);
                EXPECT_EQ(first, "M0 (MSG, Trim the thread)");
                EXPECT_TRUE(plan.moveJumps[k]);
            }
        }
        EXPECT_EQ(stopAt(plan, 1), nullptr);
        EXPECT_EQ(colourStops, c.from == 0 ? std::vector<int>({2, 3}) : std::vector<int>({3}));
        EXPECT_EQ(trimStops, c.profile == trimming ? std::vector<int>({1, 2, 3}) : std::vector<int>());
    }
}

// Where the program stops: each colour stop and trim stop at its first code line, in program
// order, with the thread sewn after it; and each move known for a jump or a stitch even when a
// jump run waits to be known for a trim.
TEST_F(SendPlanTest, FindsEachStopsFirstCodeLineAndTheThreadAfterIt) {
    // Jump runs of two or more stop for a trim; this design's runs are single jumps, so a
    // design's trim makes the next one a trim run.
    std::vector<DesignRecord> records;
    std::vector<bool> jumps;
    for (const DesignRecord& record : records_) {
        if (record.kind == RecordKind::Jump && records.size() > 1) records.push_back({RecordKind::Trim, 0, 0});
        records.push_back(record);
        if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) jumps.push_back(record.kind == RecordKind::Jump);
    }
    const auto walkTrimmed = [&records](const RecordSink& sink) {
        for (const DesignRecord& record : records) sink(record);
    };
    for (const char* name : {"Classic", "grbl 1.1", "Klipper"}) {
        SCOPED_TRACE(name);
        MachineProfile profile = *profileNamed(name);
        profile.trimStop = {"M5", "M0"};
        profile.trimJumps = 2;
        GcodeOptions options = options_;
        options.profile = std::make_shared<const MachineProfile>(profile);
        const SendPlan plan = planSend(options, walkTrimmed);
        EXPECT_EQ(plan.moveJumps, jumps);
        const std::vector<std::string> lines = test::splitLines(plan.text);

        // Each colour change that stops, and each trim: the jump after it is a trim run.
        std::vector<bool> colours;
        std::vector<int> next;
        int colour = 1;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].kind == RecordKind::Trim) {
                colours.push_back(false);
                next.push_back(colour);
            } else if (records[i].kind == RecordKind::ColourChange && test::colourChangeStops(records, i, profile)) {
                colours.push_back(true);
                next.push_back(++colour);
            }
        }
        ASSERT_EQ(plan.stops.size(), colours.size());
        ASSERT_GE(std::count(colours.begin(), colours.end(), false), 2);
        std::size_t jump = 0;
        for (std::size_t k = 0; k < plan.stops.size(); ++k) {
            SCOPED_TRACE(k);
            const PlanStop& stop = plan.stops[k];
            EXPECT_EQ(stop.colour, colours[k]);
            EXPECT_EQ(stop.nextColour, next[k]);
            ASSERT_GE(stop.line, 2u);
            ASSERT_LE(stop.line, lines.size());
            if (k > 0) {
                EXPECT_GT(stop.line, plan.stops[k - 1].line);
            }
            const std::string& first = lines[stop.line - 1];
            if (stop.colour) {
                // The change move, after the colour comment.
                EXPECT_TRUE(first.starts_with(profile.rapidCode + " X") || first.starts_with(profile.moveCode + " X")) << first;
                EXPECT_NE(lines[stop.line - 2].find(profile.colourComment), std::string::npos) << lines[stop.line - 2];
            } else {
                EXPECT_EQ(first, profile.trimStop.front());
                EXPECT_EQ(lines[stop.line], profile.trimStop.back());
                // The jump the trim stops for is the next move.
                while (jump < plan.moveJumps.size() && (plan.moveLines[jump] < stop.line || !plan.moveJumps[jump])) ++jump;
                ASSERT_LT(jump, plan.moveLines.size());
                EXPECT_EQ(plan.moveLines[jump], stop.line + profile.trimStop.size());
                EXPECT_EQ(plan.moveColours[jump], stop.nextColour);
            }
        }
    }
}

TEST(ThreadText, NamesTheThreadWithWhatTheDesignSays) {
    const std::vector<DesignThread> threads = {{10, 20, 30, "Navy", "1042"}, {0, 0, 0, "", "7"}, {0, 0, 0, "Red", ""}};
    const struct {
        int colour;
        const char* text;
    } cases[] = {
        {1, "Thread 1: Navy (1042)"}, {2, "Thread 2 (7)"}, {3, "Thread 3: Red"}, {4, "Thread 4"}, {0, "Thread 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(threadText(threads, c.colour), c.text);
    EXPECT_EQ(threadText({}, 2), "Thread 2");
}

TEST(SerialPortCandidates, OffersByIdNamesThenUsbAndAcmDevices) {
    const fs::path dev = fs::temp_directory_path() / ("tessaline-dev-" + std::to_string(::getpid()));
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* name : {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "null", "serial/by-id/usb-Board_B", "serial/by-id/usb-Board_A"})
        std::ofstream(dev / name) << "";
    const std::vector<fs::path> expected = {dev / "serial/by-id/usb-Board_A", dev / "serial/by-id/usb-Board_B",
                                            dev / "ttyUSB0", dev / "ttyUSB1", dev / "ttyACM0"};
    EXPECT_EQ(serialPortCandidates(dev), expected);
    fs::remove_all(dev / "serial");
    EXPECT_EQ(serialPortCandidates(dev), std::vector<fs::path>(expected.begin() + 2, expected.end()));
    fs::remove_all(dev);
    EXPECT_TRUE(serialPortCandidates(dev).empty());
}

}  // namespace
}  // namespace tessaline
