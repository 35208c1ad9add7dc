#include "gcode/GcodeGenerator.h"

#include "common/AtomicFile.h"
#include "gcode/ScratchProgram.h"
#include "ClassicSampleProgram.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using test::joinCrlf;

DesignRecord jump(double x, double y) { return {RecordKind::Jump, x, y}; }
DesignRecord stitch(double x, double y) { return {RecordKind::Stitch, x, y}; }
DesignRecord colourChange(double x, double y) { return {RecordKind::ColourChange, x, y}; }

std::string generate(const GcodeOptions& options, const std::vector<DesignRecord>& records) {
    std::ostringstream out;
    generateGcode(options, records, out);
    return out.str();
}

// Splits on CR LF; a bare LF or CR anywhere is a fault, as is a missing final CR LF.
std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF: " << text.substr(start);
            break;
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break in: " << line;
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

GcodeOptions sampleOptions() {
    GcodeOptions options;
    options.fileName = "sample.dst";
    options.heightText = "2.5";
    options.widthText = "3";
    options.stitchCountText = "4";
    options.colourCountText = "2";
    return options;
}

const std::vector<DesignRecord> kSampleDesign = {
    jump(0, 0),         stitch(1, -2),      stitch(1.5, -2),    stitch(2, -2.5),
    colourChange(2, -2.5), stitch(2, -2.5), colourChange(3, -2.5),
};

const std::vector<std::string> kSampleProgram = test::classicSampleProgram("2.5 x 3", "4");

constexpr std::size_t kHeaderLines = 11;
constexpr std::size_t kFooterLines = 3;

// The lines a design's records produce, without header and footer.
std::vector<std::string> bodyLines(const GcodeOptions& options, const std::vector<DesignRecord>& records) {
    auto lines = crlfLines(generate(options, records));
    const std::size_t header = 7 + (options.emitG90 ? 1 : 0) + (options.emitG21 ? 1 : 0) +
                               (options.emitG64 ? 1 : 0) + 1;
    const std::size_t footer = (options.emitM786 ? 1 : 0) + (options.emitM02 ? 1 : 0) + (options.emitM30 ? 1 : 0);
    if (lines.size() < header + footer) {
        ADD_FAILURE() << "program shorter than header and footer";
        return {};
    }
    return {lines.begin() + static_cast<std::ptrdiff_t>(header), lines.end() - static_cast<std::ptrdiff_t>(footer)};
}

TEST(GcodeGenerator, SampleDesignByteForByte) {
    EXPECT_EQ(generate(sampleOptions(), kSampleDesign), joinCrlf(kSampleProgram));
}

TEST(GcodeGenerator, XInvertNegatesOnlyXWords) {
    GcodeOptions options = sampleOptions();
    options.invertX = true;
    std::vector<std::string> expected = kSampleProgram;
    expected[13] = "G01 X0 Y0 Z10 ";  // a negated zero is written without a sign
    expected[17] = "G01 X-1 Y-2 Z30 ";
    expected[19] = "G01 X-1.5 Y-2 Z50 ";
    expected[21] = "G01 X-2 Y-2.5 Z70 ";
    expected[24] = "G01 X-2 Y-2.5 ";
    expected[29] = "G01 X-2 Y-2.5 Z90 ";
    expected[32] = "G01 X-3 Y-2.5 ";
    EXPECT_EQ(generate(options, kSampleDesign), joinCrlf(expected));
}

TEST(GcodeGenerator, BothInversionsNegateEveryCoordinate) {
    GcodeOptions options;
    options.invertX = true;
    options.invertY = true;
    const auto body = bodyLines(options, {jump(0, 0), stitch(-1.5, 2), stitch(3.2, -0.7), colourChange(-4, -5)});
    const std::vector<std::string> expected = {
        "(NEEDLE UP RAPID MOVE- Light bulb Off if On)",
        "M09",
        "G01 X0 Y0 Z10 ",
        "G01 Z20 ",
        "(START STITCHING- Light Bulb Off if On)",
        "M09",
        "G01 X1.5 Y-2 Z30 ",
        "G01 Z40 ",
        "G01 X-3.2 Y0.7 Z50 ",
        "G01 Z60 ",
        "(THREAD COLOR CHANGE- M7 Light Bulb On)",
        "G01 X4 Y5 ",
        "M07",
        "M06",
    };
    EXPECT_EQ(body, expected);
}

TEST(GcodeGenerator, YInvertAloneLeavesXAsStored) {
    GcodeOptions options;
    options.invertY = true;
    const auto body = bodyLines(options, {stitch(-1.5, 2)});
    ASSERT_EQ(body.size(), 4u);
    EXPECT_EQ(body[2], "G01 X-1.5 Y-2 Z10 ");
}

TEST(GcodeGenerator, EmptyDesignIsHeaderThenFooter) {
    const auto lines = crlfLines(generate(sampleOptions(), {}));
    std::vector<std::string> expected(kSampleProgram.begin(), kSampleProgram.begin() + kHeaderLines);
    expected.insert(expected.end(), kSampleProgram.end() - kFooterLines, kSampleProgram.end());
    EXPECT_EQ(lines, expected);
}

TEST(GcodeGenerator, HeaderAndFooterBoxesClearedLeaveCommentsFeedAndBody) {
    GcodeOptions options = sampleOptions();
    options.emitG90 = options.emitG21 = options.emitG64 = false;
    options.emitM786 = options.emitM02 = options.emitM30 = false;
    const auto lines = crlfLines(generate(options, {stitch(1, 1)}));
    const std::vector<std::string> expected = {
        kSampleProgram[0], kSampleProgram[1], kSampleProgram[2], kSampleProgram[3], kSampleProgram[4],
        kSampleProgram[5], kSampleProgram[6], "F 1500", "(START STITCHING- Light Bulb Off if On)", "M09",
        "G01 X1 Y1 Z10 ", "G01 Z20 ",
    };
    EXPECT_EQ(lines, expected);
}

TEST(GcodeGenerator, SingleBoxesRemoveExactlyTheirLine) {
    GcodeOptions options = sampleOptions();
    options.emitG64 = false;
    options.emitM786 = false;
    std::vector<std::string> expected = kSampleProgram;
    expected.erase(expected.end() - 3);  // M786
    expected.erase(expected.begin() + 9);  // G64
    EXPECT_EQ(crlfLines(generate(options, kSampleDesign)), expected);

    options = sampleOptions();
    options.emitG90 = false;
    options.emitM30 = false;
    expected = kSampleProgram;
    expected.pop_back();
    expected.erase(expected.begin() + 7);
    EXPECT_EQ(crlfLines(generate(options, kSampleDesign)), expected);
}

TEST(GcodeGenerator, FeedIsWrittenVerbatim) {
    GcodeOptions options;
    options.feedText = "";
    EXPECT_EQ(crlfLines(generate(options, {}))[10], "F ");
    options.feedText = "2500.5";
    EXPECT_EQ(crlfLines(generate(options, {}))[10], "F 2500.5");
    options.feedText = " 1500 ";  // a blank could part words; front ends refuse it, the writer too
    EXPECT_THROW(generate(options, {}), ProgramOptionError);
}

TEST(GcodeGenerator, HeaderTextsWithoutBracketsOrBreaksAreCopiedUnchanged) {
    GcodeOptions options;
    options.fileName = "a [b].dst";
    options.heightText = "";
    options.widthText = "-200";
    options.stitchCountText = "1000000";
    options.colourCountText = "1";
    options.notes = "keep ; this ";
    const auto lines = crlfLines(generate(options, {}));
    EXPECT_EQ(lines[2], "(File Name: a [b].dst)");
    EXPECT_EQ(lines[3], "(Height x Width of Design  x -200)");
    EXPECT_EQ(lines[4], "(Total No. of Stitches: 1000000)");
    EXPECT_EQ(lines[5], "(Total No. of Colors: 1)");
    EXPECT_EQ(lines[6], "(Important Notes: keep ; this )");
}

TEST(GcodeGenerator, NotesWithLineBreaksSpreadOverCommentLinesEndingCrLf) {
    GcodeOptions options;
    for (const std::string notes : {"first\nsecond", "first\r\nsecond", "first\rsecond"}) {
        options.notes = notes;
        const auto lines = crlfLines(generate(options, {}));
        ASSERT_EQ(lines.size(), kHeaderLines + 1 + kFooterLines) << notes;
        EXPECT_EQ(lines[6], "(Important Notes: first)");
        EXPECT_EQ(lines[7], "(second)");
        EXPECT_EQ(lines[8], "G90");
    }
    options.notes = "\n";
    const auto lines = crlfLines(generate(options, {}));
    EXPECT_EQ(lines[6], "(Important Notes: )");
    EXPECT_EQ(lines[7], "()");
}

TEST(GcodeGenerator, RunsOpenOnceAndReopenAfterColourChange) {
    const GcodeOptions options;
    // Two jumps in a row share one run header; so do two stitches.
    EXPECT_EQ(bodyLines(options, {jump(0, 0), jump(1, 0), stitch(2, 0), stitch(3, 0), jump(4, 0)}),
              (std::vector<std::string>{
                  "(NEEDLE UP RAPID MOVE- Light bulb Off if On)", "M09", "G01 X0 Y0 Z10 ", "G01 Z20 ",
                  "G01 X1 Y0 Z30 ", "G01 Z40 ", "(START STITCHING- Light Bulb Off if On)", "M09",
                  "G01 X2 Y0 Z50 ", "G01 Z60 ", "G01 X3 Y0 Z70 ", "G01 Z80 ",
                  "(NEEDLE UP RAPID MOVE- Light bulb Off if On)", "M09", "G01 X4 Y0 Z90 ", "G01 Z100 ",
              }));
    // A colour change ends the stitch run and the jump run alike.
    EXPECT_EQ(bodyLines(options, {stitch(0, 0), colourChange(0, 0), stitch(1, 1)}),
              (std::vector<std::string>{
                  "(START STITCHING- Light Bulb Off if On)", "M09", "G01 X0 Y0 Z10 ", "G01 Z20 ",
                  "(THREAD COLOR CHANGE- M7 Light Bulb On)", "G01 X0 Y0 ", "M07", "M06",
                  "(START STITCHING- Light Bulb Off if On)", "M09", "G01 X1 Y1 Z30 ", "G01 Z40 ",
              }));
    EXPECT_EQ(bodyLines(options, {jump(0, 0), colourChange(0, 0), jump(1, 1)}),
              (std::vector<std::string>{
                  "(NEEDLE UP RAPID MOVE- Light bulb Off if On)", "M09", "G01 X0 Y0 Z10 ", "G01 Z20 ",
                  "(THREAD COLOR CHANGE- M7 Light Bulb On)", "G01 X0 Y0 ", "M07", "M06",
                  "(NEEDLE UP RAPID MOVE- Light bulb Off if On)", "M09", "G01 X1 Y1 Z30 ", "G01 Z40 ",
              }));
}

TEST(GcodeGenerator, OtherRecordsWriteNothingAndKeepRunAndZ) {
    const GcodeOptions options;
    const DesignRecord other{RecordKind::Other, 7, 7};
    const DesignRecord unknownLetter{static_cast<RecordKind>('X'), 8, 8};
    EXPECT_EQ(bodyLines(options, {stitch(0, 0), other, unknownLetter, stitch(1, 0)}),
              bodyLines(options, {stitch(0, 0), stitch(1, 0)}));
    EXPECT_EQ(bodyLines(options, {jump(0, 0), other, jump(1, 0)}), bodyLines(options, {jump(0, 0), jump(1, 0)}));
    EXPECT_TRUE(bodyLines(options, {other}).empty());
}

TEST(GcodeGenerator, TrimsWriteNothingAndKeepRunAndZ) {
    const GcodeOptions options;
    const DesignRecord trim{RecordKind::Trim, 7, 7};
    EXPECT_EQ(bodyLines(options, {stitch(0, 0), trim, stitch(1, 0)}), bodyLines(options, {stitch(0, 0), stitch(1, 0)}));
    EXPECT_EQ(bodyLines(options, {jump(0, 0), trim, jump(1, 0)}), bodyLines(options, {jump(0, 0), jump(1, 0)}));
    EXPECT_TRUE(bodyLines(options, {trim}).empty());
}

// The Z words of the move and stroke lines, in order.
std::vector<std::string> zWords(const std::vector<std::string>& lines) {
    std::vector<std::string> words;
    for (const auto& line : lines) {
        const auto at = line.find(" Z");
        if (line.rfind("G01", 0) == 0 && at != std::string::npos) {
            words.push_back(line.substr(at + 2, line.size() - at - 3));
        }
    }
    return words;
}

TEST(GcodeGenerator, ZStepSetsEveryZWordAndColourChangesDoNotCount) {
    const std::vector<DesignRecord> design = {jump(0, 0), stitch(1, 1), colourChange(1, 1), stitch(2, 2)};
    GcodeOptions options;
    options.zStep = 1;
    EXPECT_EQ(zWords(bodyLines(options, design)), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    options.zStep = 20;
    EXPECT_EQ(zWords(bodyLines(options, design)),
              (std::vector<std::string>{"20", "40", "60", "80", "100", "120"}));
    options.zStep = 0.1;  // sums of tenths are written as the tenths they stand for
    EXPECT_EQ(zWords(bodyLines(options, design)),
              (std::vector<std::string>{"0.1", "0.2", "0.3", "0.4", "0.5", "0.6"}));
}

TEST(GcodeGenerator, EveryRunStartsFromTheZStepAgain) {
    const GcodeOptions options = sampleOptions();
    EXPECT_EQ(generate(options, kSampleDesign), generate(options, kSampleDesign));
}

TEST(GcodeGenerator, WriterStreamsHeaderAtOnceAndFooterOnFinish) {
    std::ostringstream out;
    GcodeWriter writer(sampleOptions(), out);
    EXPECT_EQ(out.str(), joinCrlf({kSampleProgram.begin(), kSampleProgram.begin() + kHeaderLines}));
    for (const auto& record : kSampleDesign) writer.add(record);
    writer.finish();
    EXPECT_EQ(out.str(), joinCrlf(kSampleProgram));
    writer.finish();  // a second finish adds nothing
    EXPECT_EQ(out.str(), joinCrlf(kSampleProgram));
}

TEST(GcodeGenerator, AbandonedWriterHandsOverWholeLinesWithoutFooter) {
    std::ostringstream out;
    {
        GcodeWriter writer(sampleOptions(), out);
        writer.add(stitch(1, 2));
    }
    const auto lines = crlfLines(out.str());
    ASSERT_EQ(lines.size(), kHeaderLines + 4);
    EXPECT_EQ(lines.back(), "G01 Z20 ");
}

TEST(GcodeGenerator, LargeDesignCrossesChunksIntact) {
    // Enough records to fill several output chunks; every line must survive the chunking.
    std::vector<DesignRecord> design;
    constexpr int kRecords = 50'000;
    for (int i = 0; i < kRecords; ++i) design.push_back(stitch(i % 1000 * 0.1, -(i % 777) * 0.1));
    const auto body = bodyLines(GcodeOptions{}, design);
    ASSERT_EQ(body.size(), 2u + 2u * kRecords);
    for (int i = 0; i < kRecords; i += 997) {
        std::string expected = "G01 X";
        expected += std::to_string(i % 1000 / 10);
        if (i % 10 != 0) expected += "." + std::to_string(i % 10);
        expected += " Y";
        const int y = i % 777;
        if (y != 0) expected += "-" + std::to_string(y / 10) + (y % 10 ? "." + std::to_string(y % 10) : "");
        else expected += "0";
        expected += " Z" + std::to_string(20 * i + 10) + " ";
        EXPECT_EQ(body[2 + 2 * static_cast<std::size_t>(i)], expected);
        EXPECT_EQ(body[3 + 2 * static_cast<std::size_t>(i)], "G01 Z" + std::to_string(20 * i + 20) + " ");
    }
}

class ProgramFileTest : public ::testing::Test {
protected:
    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    tessaline::test::TempFolder temp_{"tessaline-program"};
    std::filesystem::path folder_ = temp_.path();
};

TEST_F(ProgramFileTest, FileHoldsTheGeneratedProgram) {
    const auto path = folder_ / "Gcodedst.txt";
    std::ofstream(path) << "previous program";
    writeProgramFile(path, sampleOptions(), [](const RecordSink& sink) {
        for (const auto& record : kSampleDesign) sink(record);
    });
    EXPECT_EQ(read(path), joinCrlf(kSampleProgram));
}

TEST_F(ProgramFileTest, FailingWalkKeepsThePreviousFile) {
    const auto path = folder_ / "Gcodedst.txt";
    std::ofstream(path) << "previous program";
    EXPECT_THROW(writeProgramFile(path, sampleOptions(),
                                  [](const RecordSink& sink) {
                                      sink(stitch(1, 1));
                                      throw std::runtime_error("design table unreadable");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(read(path), "previous program");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
}

TEST_F(ProgramFileTest, UnwritablePlaceThrowsFileWriteError) {
    const auto blocker = folder_ / "file";
    std::ofstream(blocker) << "x";
    EXPECT_THROW(writeProgramFile(blocker / "Gcodedst.txt", GcodeOptions{}, [](const RecordSink&) {}),
                 FileWriteError);
}

}  // namespace
}  // namespace tessaline
