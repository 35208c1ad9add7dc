// What the checker reports for each controller: by line, one finding per fault.

#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/ProgramChecker.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tessaline {
namespace {

const MachineProfile& profileNamed(const std::string& name) {
    for (const auto& profile : builtinProfiles()) {
        if (profile.name == name) return profile;
    }
    throw std::invalid_argument(name);
}

struct CheckCase {
    const char* name;
    std::string profile;
    std::string program;
    // Line and a piece of the message, in order; empty for a clean program.
    std::vector<std::pair<std::size_t, std::string>> expected;
};

class CheckerFindings : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckerFindings, ListsEachFaultAtItsLine) {
    const CheckCase& c = GetParam();
    const auto findings = checkProgram(c.program, profileNamed(c.profile));
    ASSERT_EQ(findings.size(), c.expected.size()) << [&] {
        std::string all;
        for (const auto& f : findings) all += std::to_string(f.line) + ": " + f.message + "\n";
        return all;
    }();
    for (std::size_t i = 0; i < findings.size(); ++i) {
        EXPECT_EQ(findings[i].line, c.expected[i].first) << findings[i].message;
        EXPECT_NE(findings[i].message.find(c.expected[i].second), std::string::npos)
            << findings[i].message << " lacks " << c.expected[i].second;
    }
}

// Lines of 80 characters once blanks are left out (79 with a shorter Y word).
std::string wordsLine(const std::string& last) {
    std::string line = "G1";
    for (const char letter : std::string("XZIJKLNPRS")) line += std::string(" ") + letter + "1.2345";
    return line + " Y1.234 " + last;
}

INSTANTIATE_TEST_SUITE_P(
    Checker, CheckerFindings,
    ::testing::Values(
        CheckCase{"GrblRefusesClassicWords", "grbl 1.1", "G90\nG64\nM07\nM06\nM786\nM02\nM30\n",
                  {{2, "G64: grbl 1.1 does not take"}, {3, "M7"}, {4, "M6"}, {5, "M786"}}},
        CheckCase{"GrblCleanProgram", "grbl 1.1", "G21 G90\n(note) F 1500 ; tail\nG0 X1 Y-2.5\nM0\nM30\n", {}},
        CheckCase{"LineEndsOfAllKindsCount", "grbl 1.1", "G64\r\nG64\rG64\nM30", {{1, "G64"}, {2, "G64"}, {3, "G64"}}},
        CheckCase{"NestedComment", "LinuxCNC 2.9", "(File Name: flower (1).dst)\nM2\n", {{1, "nested comment"}}},
        CheckCase{"UnclosedCommentAndStrayClose", "LinuxCNC 2.9", "(Important Notes: one\ntwo)\nM2\n",
                  {{1, "not closed"}, {2, "')' outside"}, {2, "word T without a number"}}},
        CheckCase{"NotesLeftAsWords", "LinuxCNC 2.9", "X5 Y7 two\nM2\n", {{1, "word T"}}},
        CheckCase{"MCodeAbove199", "LinuxCNC 2.9", "M786\nM2\n", {{1, "M786"}}},
        CheckCase{"MissingEndCode", "LinuxCNC 2.9", "G1 X1\nG1 X2\n", {{2, "no M2"}}},
        CheckCase{"M30EndsToo", "LinuxCNC 2.9", "G1 X1\nM30\n", {{2, "no M2"}}},
        CheckCase{"LeadingZerosAreTheSameCode", "LinuxCNC 2.9", "G01 X1\nM02\n", {}},
        CheckCase{"GrblLineLengthAfterStripping", "grbl 1.1",
                  wordsLine("F1") + "\n" + wordsLine("F1").replace(wordsLine("F1").find("Y1.234"), 6, "Y1.23") + "\nG1 X1 (" + std::string(100, 'c') +
                      ")\nM30\n",
                  {{1, "80 characters; grbl 1.1 takes at most 79"}}},
        CheckCase{"LinuxCncLineLengthCountsComments", "LinuxCNC 2.9", "G1 X1 (" + std::string(250, 'c') + ")\nM2\n",
                  {{1, "258 characters"}}},
        CheckCase{"FloatDigits", "grbl 1.1", "G1 Z6196.40000000501\nG1 Z1234567\nG1 Z1.500000\nM30\n",
                  {{1, "15 significant digits; grbl 1.1 keeps 7"}}},
        CheckCase{"FloatRange", "Marlin 2", "G1 Z20000000\n",
                  {{1, "beyond"}, {1, "8 significant digits"}, {1, "needle_machine_max is 8000000"}}},
        // G92 only shifts grbl's coordinates: the machine position goes on from 7,999,990 mm.
        CheckCase{"GrblMachineTravelGoesOnPastG92", "grbl 1.1",
                  "G1 Z9990\nG92 Z0\nG1 Z7990000\nG92 Z0\nG1 Z10\nG1 Z20\nM30\n",
                  {{6, "Z at 8000010 mm of machine travel; grbl 1.1's needle_machine_max is 8000000 mm"}}},
        // Marlin's G92 (without workspace offsets) and Klipper's SET_KINEMATIC_POSITION restart it.
        CheckCase{"MarlinG92RestartsTheMachinePosition", "Marlin 2", "G1 Z999\nG92 Z0\nG1 Z999\n", {}},
        CheckCase{"KlipperKinematicPositionRestartsIt", "Klipper",
                  "G1 Z999\nSET_KINEMATIC_POSITION Z=0\nG1 Z999\nG92 Z0\nG1 Z2\n",
                  {{5, "Z at 1001 mm of machine travel"}}},
        CheckCase{"KlipperTakesCodesOnlyWithoutLeadingZeros", "Klipper", "G01 X1\nG00 X1\nM09\nG1 X1\nG21\n",
                  {{1, "G01: Klipper takes this code only as G1"}, {2, "G00"}, {3, "M09: Klipper takes this code only as M9"},
                   {3, "M9: Klipper does not take"}}},
        CheckCase{"KlipperRunsOnlyLinesThatStartWithACommand", "Klipper", "F 1500\nG1 F1500\nX1 G1\n",
                  {{1, "line starts with F"}, {3, "line starts with X"}}},
        CheckCase{"DoubleFirmwareTakesLongNumbers", "LinuxCNC 2.9", "G1 Z6196.40000000501\nM2\n", {}},
        CheckCase{"MarlinReadsParenthesesAsWords", "Marlin 2", "(File Name: a)\nG1 X1\n", {{1, "( ) comment"}}},
        CheckCase{"MarlinMessageIsFreeText", "Marlin 2", "M0 Thread colour 2\nM117 Jump (x\nM73 P50\n", {{2, "( ) comment"}, {2, "not closed"}}},
        CheckCase{"KlipperCommandsAndText", "Klipper", "; hello\nPAUSE\nM117 Thread colour 2\nG1 F1500\nset_pin PIN=a VALUE=1\n", {}},
        CheckCase{"KlipperRefusals", "Klipper", "M0\nM30\nWAIT_FOR_NEEDLE\nG64\n",
                  {{1, "M0"}, {2, "M30"}, {3, "WAIT_FOR_NEEDLE"}, {4, "G64"}}},
        CheckCase{"LettersAndMalformedWords", "Classic", "G1 Q5\nF\nG1 X1 #\n",
                  {{1, "word Q"}, {2, "word F without a number"}, {3, "'#'"}}},
        CheckCase{"EmptyProgramLacksItsEnd", "grbl 1.1", "", {{1, "no M30"}}},
        CheckCase{"WordGivenTwice", "grbl 1.1", "G1 X-93 Y23.4 X10\nG90 G21 G1 X1\nM30\n", {{1, "word X given twice"}}},
        CheckCase{"NonPositiveFeeds", "LinuxCNC 2.9", "G1 X1 F-500\nF0\nF0.5\nM2\n",
                  {{1, "F-500: a feed must be greater than 0"}, {2, "F0: a feed"}}},
        CheckCase{"RealtimeCharactersEvenInComments", "grbl 1.1", "(Stop!)\nG0 X1 (why?)\n(\xC3\x84)\n(ok)\nM30\n",
                  {{1, "'!' (feed hold)"}, {2, "'?'"}, {3, "0xC3"}}},
        CheckCase{"OnlyGrblTakesRealtimeCharacters", "LinuxCNC 2.9", "(Stop! ~ ?)\nM2\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Checker, ClassicProgramCheckedAsGrblListsItsRefusals) {
    GcodeOptions options;
    std::ostringstream out;
    generateGcode(options,
                  std::vector<DesignRecord>{{RecordKind::Jump, 0, 0},
                                            {RecordKind::Stitch, 1, 1},
                                            {RecordKind::ColourChange, 1, 1}},
                  out);
    std::vector<std::string> refused;
    for (const auto& finding : checkProgram(out.str(), profileNamed("grbl 1.1"))) {
        refused.push_back(finding.message.substr(0, finding.message.find(':')));
    }
    EXPECT_EQ(refused, (std::vector<std::string>{"G64", "M7", "M6", "M786"}));
    EXPECT_TRUE(checkProgram(out.str(), classicProfile()).empty());
}

}  // namespace
}  // namespace tessaline
