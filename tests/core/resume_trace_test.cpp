// At the machine: a program that resumes at needle move N, and the outline trace.

#include "ProfileTestSupport.h"
#include "common/NumberFormat.h"
#include "gcode/BuiltinProfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

std::vector<std::shared_ptr<const MachineProfile>> everyProfile() {
    std::vector<std::shared_ptr<const MachineProfile>> profiles;
    for (const MachineProfile& profile : builtinProfiles()) profiles.push_back(std::make_shared<const MachineProfile>(profile));
    return profiles;
}

bool isNeedleMove(const DesignRecord& r) { return r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump; }

// A line that moves X and Y in the profile's words: needle moves, colour-change moves, travels.
bool movesXY(const std::string& line, const MachineProfile& p) {
    return line.rfind(p.moveCode + " X", 0) == 0 || line.rfind(p.rapidCode + " X", 0) == 0;
}

std::string xyWords(const DesignRecord& r) { return " X" + formatNumber(r.x) + " Y" + formatNumber(r.y); }

// For every real design, profile and N in {1, 2, middle, last}: the resumed program has the
// whole program's header, then after its re-base exactly the whole program's lines from move N on.
TEST(ResumeTest, JoinsTheWholeProgramAtNeedleMoveN) {
    const auto designs = test::realDesigns();
    if (designs.empty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_DST_DIR;
    for (const auto& profile : everyProfile()) {
        for (const test::LoadedDesign& design : designs) {
            std::vector<const DesignRecord*> moves;
            for (const DesignRecord& r : design.records)
                if (isNeedleMove(r)) moves.push_back(&r);
            const std::vector<std::string> whole = test::splitLines(test::program(design.options, design.records, profile));
            for (const std::uint64_t n : {std::uint64_t{1}, std::uint64_t{2}, std::uint64_t{moves.size() / 2},
                                          std::uint64_t{moves.size()}}) {
                SCOPED_TRACE(profile->name + " " + design.name + " N=" + std::to_string(n));
                GcodeOptions options = design.options;
                options.resumeFrom = n;
                const std::vector<std::string> resumed = test::splitLines(test::program(options, design.records, profile));

                const std::string declaration = test::rebaseLine(*profile, "");
                const auto rebase = std::find_if(resumed.begin(), resumed.end(), [&](const std::string& line) {
                    return line.rfind(declaration, 0) == 0;
                });
                ASSERT_NE(rebase, resumed.end());
                const std::vector<std::string> tail(rebase + 1, resumed.end());
                ASSERT_LE(tail.size(), whole.size());
                EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.end() - static_cast<std::ptrdiff_t>(tail.size())))
                    << "the lines after the re-base are not the whole program's last lines";

                // The tail starts at move N: it holds the moves from N on and the colour changes after N.
                const DesignRecord& at = *moves[n - 1];
                std::size_t expectedXY = moves.size() - n + 1;
                if (profile->changeMove != ChangeMove::None) {
                    for (std::size_t i = static_cast<std::size_t>(&at - design.records.data()); i < design.records.size(); ++i) {
                        if (design.records[i].kind == RecordKind::ColourChange &&
                            test::colourChangeStops(design.records, i, *profile)) {
                            ++expectedXY;
                        }
                    }
                }
                EXPECT_EQ(static_cast<std::size_t>(std::count_if(tail.begin(), tail.end(),
                                                                 [&](const std::string& l) { return movesXY(l, *profile); })),
                          expectedXY);
                ASSERT_FALSE(tail.empty());
                EXPECT_TRUE(movesXY(tail.front(), *profile) && tail.front().find(xyWords(at)) != std::string::npos)
                    << tail.front();

                // The header is the whole program's, and the travel goes to move N's point with no needle word.
                const auto firstRecordLine = static_cast<std::ptrdiff_t>(
                    std::find_if(whole.begin(), whole.end(), [&](const std::string& l) { return movesXY(l, *profile); }) -
                    whole.begin());
                const auto preamble = rebase - resumed.begin();
                ASSERT_GE(preamble, 1);
                const auto shared = std::min<std::ptrdiff_t>(firstRecordLine - 2, preamble - 1);
                EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + std::max<std::ptrdiff_t>(shared, 0), resumed.begin()));
                const auto travel = std::find_if(resumed.begin() + std::max<std::ptrdiff_t>(shared, 0), rebase,
                                                 [&](const std::string& l) { return movesXY(l, *profile); });
                ASSERT_NE(travel, rebase);
                EXPECT_EQ(travel->find(" " + profile->needleAxis), std::string::npos) << *travel;
                EXPECT_NE(travel->find(xyWords(at)), std::string::npos) << *travel;
            }
        }
    }
}

TEST(ResumeTest, AMovePastTheEndIsAnError) {
    const std::vector<DesignRecord> records = {{RecordKind::Jump, 0, 0}, {RecordKind::Stitch, 1, 1},
                                               {RecordKind::ColourChange, 1, 1}};
    GcodeOptions options;
    options.resumeFrom = 3;
    std::ostringstream out;
    EXPECT_THROW(generateGcode(options, records, out), ResumePointError);
    options.resumeFrom = 2;
    std::ostringstream fine;
    EXPECT_NO_THROW(generateGcode(options, records, fine));
    // The jump stroked Z10 and Z20: the needle stands at Z20 before the stitch's line.
    EXPECT_NE(fine.str().find("G92 Z20\r\nG01 X1 Y1 Z30 \r\nG01 Z40 \r\n"), std::string::npos) << fine.str();
}

// The number after letter in a program line, if the line has that word.
std::optional<double> word(const std::string& line, const std::string& letter) {
    const std::size_t at = line.find(" " + letter);
    const std::size_t start = at != std::string::npos ? at + 1 + letter.size()
                              : line.rfind(letter, 0) == 0 ? letter.size() : std::string::npos;
    if (start == std::string::npos || start >= line.size()) return std::nullopt;
    return std::stod(line.substr(start));
}

// Tie-ins for every built-in profile, at a move inside a colour and at the first move after a
// colour change: the resumed program is the plain resumed one with the tie-in block put between
// the travel and the join's re-base; the block declares 0, strokes in place with growing needle
// words, and what follows is the whole program's tail.
TEST(ResumeTest, TieInsStrokeInPlaceBeforeTheWholeProgramsTail) {
    const std::vector<DesignRecord> records = {
        {RecordKind::Jump, 0, 0},     {RecordKind::Stitch, 1.5, 1},  {RecordKind::Stitch, 2.5, -1},
        {RecordKind::Stitch, 3, 4.2}, {RecordKind::Stitch, 5, 5},    {RecordKind::ColourChange, 5, 5},
        {RecordKind::Jump, 7, 7},     {RecordKind::Stitch, 8, 6.5},  {RecordKind::Stitch, 9, 9}};
    const std::vector<std::pair<std::uint64_t, std::pair<double, double>>> resumes = {{4, {3, 4.2}}, {6, {7, 7}}};
    for (const auto& profile : everyProfile()) {
        GcodeOptions options;
        options.zStep = 2.5;
        options.recordCount = records.size();
        options.invertY = true;
        const std::string whole = test::program(options, records, profile);
        options.tieInStitches = 4;
        EXPECT_EQ(test::program(options, records, profile), whole) << profile->name << ": tie-ins without a resume point";
        const std::vector<std::string> wholeLines = test::splitLines(whole);
        for (const auto& [move, point] : resumes) {
            SCOPED_TRACE(profile->name + " move " + std::to_string(move));
            for (const unsigned tieIns : {1u, 4u}) {
                options.resumeFrom = move;
                options.tieInStitches = 0;
                const std::vector<std::string> plain = test::splitLines(test::program(options, records, profile));
                options.tieInStitches = tieIns;
                const std::vector<std::string> tied = test::splitLines(test::program(options, records, profile));
                ASSERT_GT(tied.size(), plain.size());
                // The block follows the travel (and the stitch feed after a travel at its own feed).
                const auto travel = std::find_if(tied.begin(), tied.end(), [&](const std::string& l) { return movesXY(l, *profile); });
                ASSERT_NE(travel, tied.end());
                EXPECT_EQ(word(*travel, "X").value_or(1e9), point.first) << *travel;
                EXPECT_FALSE(word(*travel, profile->needleAxis)) << *travel;
                const auto parted = (travel - tied.begin()) + 1 + (profile->travelFeed.empty() ? 0 : 1);
                const std::size_t blockSize = tied.size() - plain.size();
                ASSERT_EQ(tied[static_cast<std::size_t>(parted)], test::rebaseLine(*profile, "0"));
                EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + parted, tied.begin()));
                EXPECT_TRUE(std::equal(plain.begin() + parted, plain.end(), tied.begin() + parted + static_cast<std::ptrdiff_t>(blockSize)))
                    << "the lines after the tie-ins are not the plain resumed program's";
                std::size_t strokes = 0;
                double lastNeedle = 0;
                for (std::size_t i = static_cast<std::size_t>(parted) + 1; i < static_cast<std::size_t>(parted) + blockSize; ++i) {
                    const std::string& line = tied[i];
                    if (const auto x = word(line, "X")) {
                        ++strokes;
                        EXPECT_EQ(*x, point.first) << line;
                        EXPECT_EQ(word(line, "Y").value_or(1e9), -point.second) << line;
                    }
                    if (const auto needle = word(line, profile->needleAxis)) {
                        EXPECT_GT(*needle, lastNeedle) << line;
                        lastNeedle = *needle;
                    }
                }
                EXPECT_EQ(strokes, tieIns);
                EXPECT_DOUBLE_EQ(lastNeedle, 2 * tieIns * options.zStep);
                // After the join's re-base: the whole program's lines from the move on.
                const std::size_t join = static_cast<std::size_t>(parted) + blockSize;
                ASSERT_EQ(tied[join].rfind(test::rebaseLine(*profile, ""), 0), 0u) << tied[join];
                const std::vector<std::string> tail(tied.begin() + static_cast<std::ptrdiff_t>(join) + 1, tied.end());
                ASSERT_LE(tail.size(), wholeLines.size());
                EXPECT_TRUE(std::equal(tail.begin(), tail.end(), wholeLines.end() - static_cast<std::ptrdiff_t>(tail.size())));
                EXPECT_EQ(word(tail.front(), "X").value_or(1e9), point.first) << tail.front();
            }
        }
    }
}

TEST(OutlineTraceTest, CornersWithADwellAndNoNeedleWord) {
    DesignFigures extents;
    extents.minX = -12.5;
    extents.minY = -3;
    extents.maxX = 20;
    extents.maxY = 7.25;
    const struct {
        std::size_t profile;
        const char* dwell;
    } cases[] = {{0, "G4 P0.5"}, {1, "G4 P0.5"}, {3, "G4 P500"}, {4, "G4 P0.5"}, {5, "G4 P500"}};
    const auto profiles = everyProfile();
    for (const auto& c : cases) {
        const MachineProfile& p = *profiles.at(c.profile);
        SCOPED_TRACE(p.name);
        GcodeOptions options;
        options.profile = profiles.at(c.profile);
        options.invertY = true;
        std::ostringstream out;
        writeOutlineTrace(options, extents, 0.5, out);
        const std::vector<std::string> lines = test::splitLines(out.str());
        std::vector<std::string> travels;
        std::size_t dwells = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            EXPECT_EQ(line.find(" " + p.needleAxis), std::string::npos) << line;
            if (movesXY(line, p)) {
                travels.push_back(line.substr(line.find('X')));
                if (travels.size() <= 4) {
                    ASSERT_LT(i + 1, lines.size());
                    EXPECT_EQ(lines[i + 1], c.dwell);
                }
            }
            if (line == c.dwell) ++dwells;
        }
        std::vector<std::string> expected = {"X-12.5 Y3", "X20 Y3", "X20 Y-7.25", "X-12.5 Y-7.25", "X0 Y0"};
        for (std::string& e : expected)
            if (p.trailingBlank) e += ' ';
        if (!p.travelFeed.empty())
            for (std::string& t : travels) t = t.substr(0, t.find(" F")) + (p.trailingBlank ? " " : "");
        EXPECT_EQ(travels, expected);
        EXPECT_EQ(dwells, 4u);
    }
}

}  // namespace
}  // namespace tessaline
