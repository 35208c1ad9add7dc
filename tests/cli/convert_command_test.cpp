// tessaline-cli convert, run as a separate process the way users and scripts run it.

#include "DstTestEncoder.h"
#include "design/DstDecoder.h"
#include "design/FigureTexts.h"
#include "gcode/GcodeGenerator.h"
#include "ClassicSampleProgram.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::DstTestEncoder;
using test::joinCrlf;

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

using CliRun = test::CliResult;

class ConvertCommandTest : public test::CliFolderTest {
protected:
    // Runs convert through the shell; prefix goes before the command (limits, traps), redirect after it.
    CliRun run(const std::vector<std::string>& arguments, const std::string& prefix = "",
               const std::string& redirect = "") {
        std::vector<std::string> command{"convert"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return cli(command, prefix, redirect);
    }

    fs::path design(const std::string& name, const DstTestEncoder& encoder) { return write(name, encoder.bytes()); }

    // Files left in the folder besides the named ones.
    std::vector<std::string> strayFiles(const std::vector<std::string>& known) const {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (std::find(known.begin(), known.end(), name) == known.end()) stray.push_back(name);
        }
        return stray;
    }
};

// Jump, three stitches, a colour change, a stitch and the end record.
DstTestEncoder sampleDesign() {
    DstTestEncoder encoder;
    encoder.jump(10, 20).stitch(5, 0).stitch(5, 5).stitch(0, 0).colourChange().stitch(10, 0).end();
    return encoder;
}

const std::vector<std::string> kSampleProgram = test::classicSampleProgram("0.5 x 2", "7");

// A design of many records, enough to cross the writers' internal chunks several times.
DstTestEncoder longDesign(int records) {
    DstTestEncoder encoder;
    for (int i = 0; i < records; ++i) {
        if (i % 5000 == 4999) encoder.colourChange();
        else if (i % 100 == 0) encoder.jump(121, -37);
        else encoder.stitch(i % 7 - 3, (i % 11) - 5);
    }
    encoder.end().trailing({0x1A});
    return encoder;
}

// What the library writes for these bytes: the program the window saves for the same file.
std::string libraryProgram(const std::vector<std::uint8_t>& bytes, const std::string& name, GcodeOptions options) {
    const FigureTexts texts = figureTexts(decodeDst(bytes, {}), name);
    options.fileName = texts.fileName;
    options.heightText = texts.height;
    options.widthText = texts.width;
    options.stitchCountText = texts.stitches;
    options.colourCountText = texts.colours;
    std::vector<DesignRecord> records;
    decodeDst(bytes, [&records](const DesignRecord& record) { records.push_back(record); });
    std::ostringstream out;
    generateGcode(options, records, out);
    return out.str();
}

TEST_F(ConvertCommandTest, SampleDesignGoldenOnStdoutAndInFile) {
    const fs::path input = design("sample.dst", sampleDesign());
    const CliRun toStdout = run({input.string()});
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, joinCrlf(kSampleProgram));
    EXPECT_EQ(toStdout.err, "");

    const fs::path output = folder_ / "sample.gc";
    const CliRun toFile = run({input.string(), "-o", output.string()});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(test::slurp(output), joinCrlf(kSampleProgram));
    EXPECT_TRUE(strayFiles({"sample.dst", "sample.gc"}).empty());
}

TEST_F(ConvertCommandTest, OptionsGoldenWithSkippedRecordAndTrailingByte) {
    DstTestEncoder encoder;
    const auto other = DstTestEncoder::encode(3, -4, 0x01);  // no row, but its move counts
    encoder.jump(-15, 0).raw(other[0], other[1], other[2]).stitch(121, -121).stitch(0, 1).end().trailing({0x1A});
    const fs::path input = design("other.dst", encoder);
    const CliRun result = run({input.string(), "--invert-x", "--invert-y", "--z-step", "1", "--feed", "", "--notes",
                            "two\nlines", "--no-g21", "--no-m786"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, joinCrlf({
                              "(The Gcode created with Tessaline V2.4.8)",
                              "(Program Author: Marovek)",
                              "(File Name: other.dst)",
                              "(Height x Width of Design 12.5 x 12.4)",
                              "(Total No. of Stitches: 5)",
                              "(Total No. of Colors: 1)",
                              "(Important Notes: two)",
                              "(lines)",
                              "G90",
                              "G64",
                              "F ",
                              "(NEEDLE UP RAPID MOVE- Light bulb Off if On)",
                              "M09",
                              "G01 X0 Y0 Z1 ",
                              "G01 Z2 ",
                              "(START STITCHING- Light Bulb Off if On)",
                              "M09",
                              "G01 X1.2 Y-0.4 Z3 ",
                              "G01 Z4 ",
                              "G01 X-10.9 Y-12.5 Z5 ",
                              "G01 Z6 ",
                              "(THREAD COLOR CHANGE- M7 Light Bulb On)",
                              "G01 X-10.9 Y-12.4 ",
                              "M07",
                              "M06",
                              "M02",
                              "M30",
                          }));
}

TEST_F(ConvertCommandTest, LongDesignMatchesLibraryOnStdoutAndInFile) {
    const DstTestEncoder encoder = longDesign(60'000);
    const fs::path input = design("long.dst", encoder);
    const std::vector<std::string> flags = {"--invert-y", "--z-step", "0.5", "--feed", "2500.5", "--notes", "n"};
    GcodeOptions options;
    options.invertY = true;
    options.zStep = 0.5;
    options.feedText = "2500.5";
    options.notes = "n";
    const std::string expected = libraryProgram(encoder.bytes(), "long.dst", options);

    std::vector<std::string> arguments = {input.string()};
    arguments.insert(arguments.end(), flags.begin(), flags.end());
    const CliRun toStdout = run(arguments);
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_TRUE(toStdout.out == expected) << "stdout differs from the library's program";

    const fs::path output = folder_ / "long.nc";
    arguments.insert(arguments.end(), {"--output", output.string()});
    const CliRun toFile = run(arguments);
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_TRUE(test::slurp(output) == expected) << "file differs from the library's program";
}

TEST_F(ConvertCommandTest, EachHeaderAndFooterFlagRemovesOnlyItsLine) {
    const fs::path input = design("sample.dst", sampleDesign());
    const std::vector<std::pair<std::string, std::string>> flags = {
        {"--no-g90", "G90"}, {"--no-g21", "G21"},   {"--no-g64", "G64"},
        {"--no-m786", "M786"}, {"--no-m02", "M02"}, {"--no-m30", "M30"},
    };
    for (const auto& [flag, code] : flags) {
        std::vector<std::string> expected = kSampleProgram;
        expected.erase(std::find(expected.begin(), expected.end(), code));
        const CliRun result = run({input.string(), flag});
        EXPECT_EQ(result.exitCode, 0) << flag << ": " << result.err;
        EXPECT_EQ(crlfLines(result.out), expected) << flag;
    }
    const CliRun all = run({input.string(), "--no-g90", "--no-g21", "--no-g64", "--no-m786", "--no-m02", "--no-m30"});
    const auto lines = crlfLines(all.out);
    ASSERT_EQ(lines.size(), kSampleProgram.size() - 6);
    EXPECT_EQ(lines[7], "F 1500");
    EXPECT_EQ(lines.back(), "M06");
}

TEST_F(ConvertCommandTest, InvertXChangesOnlyXWords) {
    const fs::path input = design("sample.dst", sampleDesign());
    std::vector<std::string> expected = kSampleProgram;
    expected[17] = "G01 X-1 Y-2 Z30 ";
    expected[19] = "G01 X-1.5 Y-2 Z50 ";
    expected[21] = "G01 X-2 Y-2.5 Z70 ";
    expected[24] = "G01 X-2 Y-2.5 ";
    expected[29] = "G01 X-2 Y-2.5 Z90 ";
    expected[32] = "G01 X-3 Y-2.5 ";
    EXPECT_EQ(crlfLines(run({input.string(), "--invert-x"}).out), expected);
}

TEST_F(ConvertCommandTest, ZStepAcceptsAnyPositiveNumber) {
    const fs::path input = design("sample.dst", sampleDesign());
    const CliRun result = run({input.string(), "--z-step", "20"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = crlfLines(result.out);
    EXPECT_EQ(lines[13], "G01 X0 Y0 Z20 ");
    EXPECT_EQ(lines[30], "G01 Z200 ");
    const CliRun fractional = run({input.string(), "--z-step=2.5"});
    ASSERT_EQ(fractional.exitCode, 0) << fractional.err;
    EXPECT_EQ(crlfLines(fractional.out)[30], "G01 Z25 ");
}

TEST_F(ConvertCommandTest, BadZStepIsAUsageError) {
    const fs::path input = design("sample.dst", sampleDesign());
    for (const std::string bad : {"0", "-1", "abc", "", "10mm", "nan", "inf", "-0"}) {
        const CliRun result = run({input.string(), "--z-step", bad});
        EXPECT_EQ(result.exitCode, 2) << "'" << bad << "'";
        EXPECT_EQ(result.out, "") << "'" << bad << "'";
        EXPECT_NE(result.err.find("--z-step"), std::string::npos) << result.err;
    }
}

TEST_F(ConvertCommandTest, MissingDesignExitsOneNamingThePath) {
    const fs::path missing = folder_ / "nowhere" / "gone.dst";
    const fs::path output = folder_ / "kept.gc";
    write(output.filename(), "old program");
    const CliRun result = run({missing.string(), "-o", output.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(missing.string()), std::string::npos) << result.err;
    EXPECT_EQ(test::slurp(output), "old program");

    const CliRun noDesign = run({});
    EXPECT_EQ(noDesign.exitCode, 2);
}

TEST_F(ConvertCommandTest, UnwritableOutputFolderExitsOne) {
    const fs::path input = design("sample.dst", sampleDesign());
    const fs::path notAFolder = folder_ / "plain";
    write(notAFolder.filename(), "x");
    const fs::path output = notAFolder / "out.gc";
    const CliRun result = run({input.string(), "-o", output.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(output.string()), std::string::npos) << result.err;
    EXPECT_EQ(test::slurp(notAFolder), "x");
}

TEST_F(ConvertCommandTest, WriteFailingMidwayKeepsExistingFile) {
    // A file size limit makes the disk "full" after 16 KiB; the program is far longer.
    const fs::path input = design("long.dst", longDesign(5000));
    const fs::path output = folder_ / "kept.gc";
    write(output.filename(), "old program");
    const CliRun result = run({input.string(), "-o", output.string()}, "trap '' XFSZ; ulimit -f 32; ");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(output.string()), std::string::npos) << result.err;
    EXPECT_EQ(test::slurp(output), "old program");
    EXPECT_TRUE(strayFiles({"long.dst", "kept.gc"}).empty());
}

TEST_F(ConvertCommandTest, FullStandardOutputExitsOne) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const fs::path input = design("long.dst", longDesign(5000));
    const CliRun result = run({input.string()}, "", " >/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("standard output"), std::string::npos) << result.err;
}

TEST_F(ConvertCommandTest, DesignWithoutRecordsGivesHeaderAndFooter) {
    const fs::path input = design("empty.dst", DstTestEncoder());
    const CliRun result = run({input.string(), "--output", "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = crlfLines(result.out);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[2], "(File Name: empty.dst)");
    EXPECT_EQ(lines[4], "(Total No. of Stitches: 0)");
    EXPECT_EQ(lines[10], "F 1500");
    EXPECT_EQ(lines[11], "M786");
}

}  // namespace
}  // namespace tessaline
