// At the machine: a program that resumes at needle move N, and the outline trace.

#include "ProfileTestSupport.h"
#include "common/NumberFormat.h"
#include "gcode/BuiltinProfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
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
