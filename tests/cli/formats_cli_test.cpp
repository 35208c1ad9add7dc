// tessaline-cli with every design format it reads: the shared real designs, and damaged files.

#include "design/DesignFormat.h"
#include "design/FigureTexts.h"

#include "CliRunner.h"
#include "ReferenceCsv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tessaline;

using CliRun = test::CliResult;

std::string readFile(const fs::path& file) { return test::slurp(file); }

class FormatsCliTest : public test::CliFolderTest {
protected:
    CliRun run(const std::vector<std::string>& args) { return cli(args); }

    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return CliFolderTest::write(name, std::string(bytes.begin(), bytes.end()));
    }
};

std::vector<fs::path> sharedDesigns() {
    std::vector<fs::path> files;
    const fs::path dir = TESSALINE_REAL_FORMATS_DIR;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || ext == ".csv" || ext == ".md" || ext == ".tsv") continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The first colour of the reference thread list beside the design, or "" when it lists none.
std::string firstReferenceColour(const fs::path& design) {
    const auto rows = test::readCsvRows(design.string() + ".threads.csv");
    return rows.empty() || rows.front().size() < 2 ? "" : rows.front()[1];
}

TEST_F(FormatsCliTest, InfoAndConvertReadEverySharedDesign) {
    const std::vector<fs::path> designs = sharedDesigns();
    if (designs.empty()) GTEST_SKIP() << "no shared designs at " << TESSALINE_REAL_FORMATS_DIR;
    for (const fs::path& design : designs) {
        SCOPED_TRACE(design.filename().string());
        const DecodedDesign decoded = decodeDesignFile(design, readDesignFile(design), {});

        const CliRun info = run({"info", "--json", design.string()});
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_NE(info.out.find("\"format\": \"" + std::string(formatName(decoded.format)) + "\""), std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("\"stitches\": " + std::to_string(decoded.figures.records) + ","), std::string::npos)
            << info.out;
        EXPECT_EQ(occurrences(info.out, "{\"color\": \"#"), decoded.threads.size()) << info.out;
        // PCS lists the slots its blocks pick where the reference lists every slot; the other
        // formats (PES with its own thread table too) list the reference's first colour.
        const std::string colour = firstReferenceColour(design);
        if (!colour.empty() && decoded.format != DesignFormat::Pcs) {
            EXPECT_NE(info.out.find("\"threads\": [{\"color\": \"" + colour + "\""), std::string::npos) << info.out;
        }

        const fs::path program = folder_ / "out.nc";
        const CliRun convert = run({"convert", design.string(), "-o", program.string()});
        ASSERT_EQ(convert.exitCode, 0) << convert.err;
        const std::string text = readFile(program);
        EXPECT_NE(text.find(figureTexts(decoded.figures, design.filename().string()).stitches), std::string::npos);
        EXPECT_GT(occurrences(text, "G01"), 0u);
        const CliRun plain = run({"info", design.string()});
        EXPECT_NE(plain.out.find("\nFormat: " + std::string(formatName(decoded.format)) + "\n"), std::string::npos)
            << plain.out;
    }
}

std::vector<std::uint8_t> bytesOf(const std::string& text, std::size_t padTo = 0) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (bytes.size() < padTo) bytes.resize(padTo, 0);
    return bytes;
}

TEST_F(FormatsCliTest, DamagedDesignsFailWithPathAndReason) {
    std::vector<std::uint8_t> farPes = bytesOf("#PES0001");
    farPes.insert(farPes.end(), {0xFF, 0xFF, 0xFF, 0x00});
    std::vector<std::uint8_t> shortPec = bytesOf("#PEC0001", 600);  // stitch list without an end mark
    std::vector<std::uint8_t> farJef(200, 0);
    farJef[0] = 0x10;  // stitch list offset 0x10000010
    farJef[3] = 0x10;
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"junk.pes", bytesOf("junk"), "not a readable PES design: no PES signature"},
        {"far.pes", farPes, "not a readable PES design: the PEC block offset points outside the file"},
        {"short.pec", shortPec, "not a readable PEC design: the file ends inside"},
        {"far.jef", farJef, "not a readable JEF design: the stitch list offset points outside the file"},
        {"cut.vp3", bytesOf("%vsm%"), "not a readable VP3 design"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = write(c.name, c.bytes);
        for (const char* command : {"info", "convert", "preview"}) {
            std::vector<std::string> args = {command, file.string()};
            if (std::string(command) == "preview") args = {command, file.string(), "-o", (folder_ / "p.png").string()};
            const CliRun r = run(args);
            EXPECT_EQ(r.exitCode, 1) << command;
            EXPECT_EQ(r.out, "") << command;
            EXPECT_NE(r.err.find(file.string() + ": " + c.reason), std::string::npos) << command << ": " << r.err;
        }
    }
}

}  // namespace
