// Text from a design, a profile or a person never becomes program words: hostile names, notes and
// figure texts leave every profile's program with exactly the generator's own code lines.

#include "ProfileTestSupport.h"

#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileToml.h"
#include "gcode/ProgramChecker.h"
#include "gcode/ProgramText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace tessaline {
namespace {

using test::program;
using test::splitLines;

const std::vector<std::string> kHostileTexts = {
    "a)\nM30 (x",             // closes the comment, then a line of its own
    "x\r\n$100=1\r$$",        // grbl settings lines after CR LF and a bare CR
    "((nested) comment",      // a comment inside a comment
    "semi; M112 ) G0 X999",   // a semicolon, a stray close and words after it
    "stop! go~ why?",         // grbl's real-time commands, picked out of any line
    "\xC3\x84nderung \x84\x18", // UTF-8 whose second byte is grbl's safety door; Ctrl-X
    std::string("nul\0bell\a", 9),
};

std::vector<DesignRecord> smallDesign() {
    return {{RecordKind::Jump, 1, 2},   {RecordKind::Stitch, 1, 2}, {RecordKind::Stitch, 3, 2},
            {RecordKind::ColourChange, 3, 2}, {RecordKind::Jump, 5, 5}, {RecordKind::Stitch, 5, 5},
            {RecordKind::Stitch, 6, 5}, {RecordKind::ColourChange, 6, 5}};
}

// The lines that are not comment lines, which must be the generator's own whatever the texts.
std::vector<std::string> codeLines(const std::string& text, const MachineProfile& profile) {
    const std::string open = CommentStyle::of(profile).open;
    std::vector<std::string> code;
    for (const std::string& line : splitLines(text)) {
        if (open.empty() || line.rfind(open, 0) != 0) code.push_back(line);
    }
    return code;
}

class HostileTexts : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(HostileTexts, LeaveTheProgramsCodeLinesAsTheGeneratorWritesThem) {
    const auto& [profileIndex, textIndex] = GetParam();
    const auto profile = std::make_shared<const MachineProfile>(builtinProfiles()[profileIndex]);
    const std::string& hostile = kHostileTexts[textIndex];

    GcodeOptions plain;
    plain.fileName = plain.heightText = plain.widthText = plain.stitchCountText = plain.colourCountText = "t";
    plain.notes = "n";
    GcodeOptions attacked = plain;
    attacked.fileName = attacked.notes = attacked.heightText = attacked.widthText = hostile;
    attacked.stitchCountText = attacked.colourCountText = hostile;

    const std::string expected = program(plain, smallDesign(), profile);
    const std::string written = program(attacked, smallDesign(), profile);
    EXPECT_EQ(codeLines(written, *profile), codeLines(expected, *profile));

    // Every comment line is one whole comment that the controller reads as such.
    const auto findings = checkProgram(written, *profile);
    for (const CheckFinding& finding : findings) ADD_FAILURE() << "line " << finding.line << ": " << finding.message;
    for (const std::string& line : splitLines(written)) {
        for (const char ch : line) {
            const auto byte = static_cast<unsigned char>(ch);
            EXPECT_TRUE(byte >= 0x20 || byte == '\t') << "control character in: " << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, HostileTexts,
                         ::testing::Combine(::testing::Range<std::size_t>(0, 6),
                                            ::testing::Range<std::size_t>(0, kHostileTexts.size())));

TEST(HostileTexts, ProfileCommentTextsStayComments) {
    MachineProfile profile = *std::find_if(builtinProfiles().begin(), builtinProfiles().end(),
                                           [](const MachineProfile& p) { return p.name == "grbl 1.1"; });
    const std::string clean = program({}, smallDesign(), std::make_shared<const MachineProfile>(profile));
    profile.jumpComment = profile.stitchComment = profile.colourComment = "a)\nM30 ! (b";
    const auto attacked = std::make_shared<const MachineProfile>(profile);
    const std::string written = program({}, smallDesign(), attacked);
    EXPECT_EQ(codeLines(written, profile), codeLines(clean, profile));
    EXPECT_TRUE(checkProgram(written, profile).empty());
}

TEST(HostileTexts, TheWriterRefusesWhatFrontEndsShouldHaveCaught) {
    GcodeOptions badFeed;
    badFeed.feedText = "1500\n$100=1";
    EXPECT_THROW(program(badFeed, smallDesign(), nullptr), ProgramOptionError);

    MachineProfile profile = classicProfile();
    profile.colourStop = {"M0\nM30"};
    EXPECT_THROW(program({}, smallDesign(), std::make_shared<const MachineProfile>(profile)), ProgramOptionError);
    profile = classicProfile();
    profile.needleAxis = "X";
    EXPECT_THROW(program({}, smallDesign(), std::make_shared<const MachineProfile>(profile)), ProgramOptionError);
}

TEST(HostileTexts, OrdinaryTextsAreWrittenAsTheyStand) {
    std::string out;
    const CommentStyle grbl = CommentStyle::of(builtinProfiles()[1]);
    appendComment(out, "Rose 12.5 x 30 mm, layer #2\tend", grbl, CommentForm::Parentheses);
    EXPECT_EQ(out, "(Rose 12.5 x 30 mm, layer #2\tend)\n");
    out.clear();
    // Without real-time commands (Classic), text beyond ASCII stays as the design has it.
    appendComment(out, "\xC3\x84nderung", CommentStyle::of(classicProfile()), CommentForm::Parentheses);
    EXPECT_EQ(out, "(\xC3\x84nderung)\r\n");
}

}  // namespace
}  // namespace tessaline
