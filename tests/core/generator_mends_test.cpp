// Comment texts that would break a comment, feed texts a controller would misread, and the
// running Z of fractional steps.

#include "gcode/FeedText.h"
#include "gcode/GcodeGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

std::vector<std::string> programLines(const GcodeOptions& options, const std::vector<DesignRecord>& records = {}) {
    std::ostringstream out;
    generateGcode(options, records, out);
    const std::string text = out.str();
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size());
    return lines;
}

// Every line that opens a comment closes it at its end, with no bracket between, and every
// line outside a comment is a word line the generator meant to write.
void expectWellFormedComments(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        if (line.empty() || line.front() != '(') continue;
        EXPECT_EQ(line.back(), ')') << line;
        EXPECT_EQ(line.find_first_of("()", 1), line.size() - 1) << line;
    }
}

struct CommentCase {
    const char* name;
    std::string GcodeOptions::*field;
    std::string text;
    std::vector<std::string> expected;  // the lines from the file name line to the notes' last line
};

class CommentTexts : public ::testing::TestWithParam<CommentCase> {};

TEST_P(CommentTexts, BracketsBecomeSquareAndBreaksStartNewComments) {
    const CommentCase& c = GetParam();
    GcodeOptions options;
    options.fileName = "f";
    options.heightText = "h";
    options.widthText = "w";
    options.stitchCountText = "s";
    options.colourCountText = "c";
    options.notes = "n";
    options.*c.field = c.text;
    const auto lines = programLines(options);
    expectWellFormedComments(lines);
    ASSERT_GE(lines.size(), 2 + c.expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 2 + static_cast<long>(c.expected.size())),
              c.expected);
    EXPECT_EQ(lines[2 + c.expected.size()], "G90") << "text left outside the comments";
}

INSTANTIATE_TEST_SUITE_P(
    GcodeGenerator, CommentTexts,
    ::testing::Values(
        CommentCase{"FileNameBrackets", &GcodeOptions::fileName, "flower (1).dst",
                    {"(File Name: flower [1].dst)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: n)"}},
        CommentCase{"NotesCloseThenWords", &GcodeOptions::notes, "two) X5 Y7",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: two] X5 Y7)"}},
        CommentCase{"NotesLineBreakKinds", &GcodeOptions::notes, "one\ntwo\r\nthree\rfour",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: one)", "(two)", "(three)", "(four)"}},
        CommentCase{"NotesEmptyLinesAndBreakAtEnd", &GcodeOptions::notes, "a\n\n(b)\n",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: a)", "()", "([b])", "()"}},
        CommentCase{"CrLfIsOneBreakButLfCrIsTwo", &GcodeOptions::notes, "a\n\rb",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: a)", "()", "(b)"}},
        CommentCase{"HeightTextBreaks", &GcodeOptions::heightText, "1\n(2",
                    {"(File Name: f)", "(Height x Width of Design 1)", "([2 x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: n)"}},
        CommentCase{"WidthAndCountTexts", &GcodeOptions::widthText, "((x))",
                    {"(File Name: f)", "(Height x Width of Design h x [[x]])", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: c)", "(Important Notes: n)"}},
        CommentCase{"StitchCountBreak", &GcodeOptions::stitchCountText, "4\r\n)",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: 4)", "(])",
                     "(Total No. of Colors: c)", "(Important Notes: n)"}},
        CommentCase{"ColourCountBracket", &GcodeOptions::colourCountText, "2 (two",
                    {"(File Name: f)", "(Height x Width of Design h x w)", "(Total No. of Stitches: s)",
                     "(Total No. of Colors: 2 [two)", "(Important Notes: n)"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FeedCase {
    std::string text;
    bool refused;
};

class FeedTexts : public ::testing::TestWithParam<FeedCase> {};

TEST_P(FeedTexts, AnythingButAPositiveNumberIsRefusedWithTheTextNamed) {
    const FeedCase& c = GetParam();
    const auto problem = feedTextProblem(c.text);
    EXPECT_EQ(problem.has_value(), c.refused) << c.text;
    if (problem) {
        EXPECT_NE(problem->find("'" + c.text + "'"), std::string::npos) << *problem;
    }
}

INSTANTIATE_TEST_SUITE_P(GcodeGenerator, FeedTexts,
                         ::testing::Values(FeedCase{"1500", false}, FeedCase{"2500.5", false}, FeedCase{"", false},
                                           FeedCase{".5", false}, FeedCase{"15.", false}, FeedCase{"0.01", false},
                                           FeedCase{" 1 500 ", true}, FeedCase{"-3", true}, FeedCase{"0", true},
                                           FeedCase{"0.0", true}, FeedCase{".", true}, FeedCase{"1.2.3", true},
                                           FeedCase{"1500 G0 X50", true}, FeedCase{"1500mm", true},
                                           FeedCase{"e", true}, FeedCase{"1e3", true}, FeedCase{"Z", true},
                                           FeedCase{"1500\nM30", true}, FeedCase{"1500\n$100=1\n$$", true},
                                           FeedCase{"1500 (", true}, FeedCase{"1500;x", true}, FeedCase{"1500\r", true}));

// Decimal oracle: the step as an integer count of 10^-decimals, and k steps written from
// the exact integer product.
std::string exactMultiple(std::uint64_t k, std::uint64_t units, int decimals) {
    std::string digits = std::to_string(k * units);
    if (decimals == 0) return digits;
    if (digits.size() <= static_cast<std::size_t>(decimals)) {
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
    return digits;
}

struct StepCase {
    double step;
    std::uint64_t units;
    int decimals;
};

class FractionalSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(FractionalSteps, EveryZWordIsExactlyAWholeNumberOfSteps) {
    const StepCase& c = GetParam();
    GcodeOptions options;
    options.zStep = c.step;
    std::vector<DesignRecord> design(200'000, DesignRecord{RecordKind::Stitch, 1, 1});
    design[5] = DesignRecord{RecordKind::ColourChange, 1, 1};  // no Z word, no step
    const auto lines = programLines(options, design);
    std::uint64_t k = 0;
    for (const auto& line : lines) {
        const std::size_t z = line.find('Z');
        if (z == std::string::npos || line.front() == '(') continue;
        ++k;
        const std::string word = line.substr(z + 1, line.find(' ', z) - z - 1);
        ASSERT_EQ(word, exactMultiple(k, c.units, c.decimals)) << "word " << k << ": " << line;
    }
    EXPECT_EQ(k, 2 * (design.size() - 1));
}

INSTANTIATE_TEST_SUITE_P(GcodeGenerator, FractionalSteps,
                         ::testing::Values(StepCase{0.1, 1, 1}, StepCase{0.2, 2, 1}, StepCase{0.3, 3, 1},
                                           StepCase{0.7, 7, 1}, StepCase{0.01, 1, 2}, StepCase{0.05, 5, 2},
                                           StepCase{1.15, 115, 2}, StepCase{0.333, 333, 3}, StepCase{2.5, 25, 1},
                                           StepCase{1, 1, 0}, StepCase{7, 7, 0}, StepCase{20, 20, 0}));

}  // namespace
}  // namespace tessaline
