// --origin on info, convert, trace and preview: every command places the design the same way,
// and --profile takes any unambiguous spelling of a profile's name.

#include "common/NumberFormat.h"
#include "design/FormatTable.h"
#include "design/Placement.h"

#include "CliRunner.h"
#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tessaline;

struct Move {
    int dx, dy;  // 0.1 mm, y down
};

// 62 mm x 31 mm with its corner on the origin.
const std::vector<Move> kCornerDesign = {{100, 0},   {-100, 100}, {100, 100},  {-100, 110}, {120, 0},
                                         {120, -110}, {120, 110}, {120, -110}, {120, 110},  {20, -110},
                                         {0, -100},   {-100, -100}, {-120, 0}};

std::string jefOf(const std::vector<Move>& moves) {
    std::string b(116 + 4, '\0');
    b[0] = 120;
    b[24] = 1;
    b[116] = 2;
    for (const Move& m : moves) {
        b += static_cast<char>(static_cast<std::int8_t>(m.dx));
        b += static_cast<char>(static_cast<std::int8_t>(-m.dy));
    }
    return b + "\x80\x10";
}

std::string dstOf(const std::vector<Move>& moves) {
    test::DstTestEncoder dst;
    for (const Move& m : moves) dst.stitch(m.dx, -m.dy);
    dst.end();
    return std::string(dst.bytes().begin(), dst.bytes().end());
}

// The number after "key": in info's JSON.
double jsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? std::nan("") : parseLenient(json.substr(at + key.size() + 4, 24));
}

struct Extents {
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
};

// The extents of every X and Y word of a program's moves.
Extents wordExtents(const std::string& program) {
    Extents e;
    std::istringstream lines(program);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("G0", 0) != 0 && line.rfind("G1", 0) != 0) continue;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const double value = parseLenient(word.substr(1));
            if (word[0] == 'X') e.minX = std::min(e.minX, value), e.maxX = std::max(e.maxX, value);
            if (word[0] == 'Y') e.minY = std::min(e.minY, value), e.maxY = std::max(e.maxY, value);
        }
    }
    return e;
}

class OriginCliTest : public test::CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        jef_ = write("corner.jef", jefOf(kCornerDesign));
        dst_ = write("corner.dst", dstOf(kCornerDesign));
    }

    // The design as the core places it.
    static DesignFigures placed(const fs::path& file, Placement placement) {
        return decodePlacedDesignFile(file, readDesignFile(file), placement, {}).design.figures;
    }

    fs::path jef_, dst_;
};

TEST_F(OriginCliTest, InfoConvertAndTraceAgreeOnWhereTheDesignLies) {
    const struct {
        const char* origin;  // nullptr: the default
        bool jef;
        bool centred;
    } cases[] = {
        {nullptr, true, true},  {"auto", true, true},    {"centre", true, true},  {"file", true, false},
        {nullptr, false, false}, {"auto", false, false}, {"centre", false, true}, {"file", false, false},
    };
    for (const auto& c : cases) {
        const fs::path design = c.jef ? jef_ : dst_;
        const std::string label = design.filename().string() + " --origin " + (c.origin ? c.origin : "(default)");
        SCOPED_TRACE(label);
        std::vector<std::string> origin;
        if (c.origin) origin = {"--origin", c.origin};
        const auto with = [&](std::vector<std::string> args) {
            args.insert(args.end(), origin.begin(), origin.end());
            return cli(args);
        };
        const DesignFigures expected = placed(design, c.origin ? *parsePlacement(c.origin) : Placement::Automatic);
        // The corner design spans 0..62 mm and 0..31 mm in its file.
        EXPECT_EQ(expected.minX, c.centred ? -31 : 0);
        EXPECT_EQ(expected.maxY, c.centred ? 15.5 : 31);

        const auto info = with({"info", "--json", design.string(), "--hoop-diameter", "130"});
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_EQ(jsonNumber(info.out, "min_x"), expected.minX) << info.out;
        EXPECT_EQ(jsonNumber(info.out, "max_y"), expected.maxY) << info.out;
        // The far corner lies 35 mm from the origin when centred, 69 mm when the corner is on it.
        EXPECT_EQ(info.out.find("\"fits_hoop\": true") != std::string::npos, c.centred) << info.out;

        const auto trace = with({"trace", design.string()});
        ASSERT_EQ(trace.exitCode, 0) << trace.err;
        const Extents corners = wordExtents(trace.out);
        EXPECT_EQ(corners.minX, std::min(expected.minX, 0.0));
        EXPECT_EQ(corners.maxY, expected.maxY);

        for (const char* profile : {"Classic", "linuxcnc"}) {
            const auto convert = with({"convert", design.string(), "--profile", profile});
            ASSERT_EQ(convert.exitCode, 0) << convert.err;
            const Extents words = wordExtents(convert.out);
            EXPECT_NEAR(words.minX, expected.minX, 1e-9) << profile;
            EXPECT_NEAR(words.maxX, expected.maxX, 1e-9) << profile;
            EXPECT_NEAR(words.minY, expected.minY, 1e-9) << profile;
            EXPECT_NEAR(words.maxY, expected.maxY, 1e-9) << profile;
        }
    }
}

TEST_F(OriginCliTest, PreviewDrawsThePlacedDesign) {
    const auto png = [&](const fs::path& design, const char* origin) {
        const fs::path out = folder_ / (design.stem().string() + "-" + origin + ".png");
        const auto run = cli({"preview", design.string(), "-o", out.string(), "--origin", origin});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return test::slurp(out);
    };
    EXPECT_NE(png(jef_, "auto"), png(jef_, "file"));
    EXPECT_EQ(png(jef_, "auto"), png(jef_, "centre"));
    EXPECT_EQ(png(dst_, "auto"), png(dst_, "file"));
}

// The help of --origin names the formats automatic placement centres and those it keeps, as the
// format table has them; its wording is the user's, so it is checked here rather than made.
TEST_F(OriginCliTest, OriginHelpNamesTheFormatsAutomaticPlacementCentres) {
    const test::CliResult help = cli({"convert", "--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(help.out, match,
                                  std::regex(R"(home-machine formats \(([^)]*)\)[^;]* keeps (\w+) and (\w+) as in the file)")))
        << help.out;
    std::set<std::string> centred, kept{match[2], match[3]};
    const std::string list = match[1];
    const std::regex name(R"([A-Z][A-Z0-9]{2})");
    for (std::sregex_iterator it(list.begin(), list.end(), name), end; it != end; ++it) {
        centred.insert(it->str());
    }
    std::set<std::string> tableCentred, tableKept;
    for (const FormatRow& row : formatTable()) {
        (row.centredAutomatically ? tableCentred : tableKept).insert(std::string(row.name));
    }
    EXPECT_EQ(centred, tableCentred);
    EXPECT_EQ(kept, tableKept);
}

TEST_F(OriginCliTest, AnOriginThatIsNoChoiceIsAUsageError) {
    for (const char* command : {"info", "convert", "trace", "preview"}) {
        std::vector<std::string> args = {command, jef_.string(), "--origin", "middle"};
        if (std::string(command) == "preview") args.insert(args.end(), {"-o", (folder_ / "p.png").string()});
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << command;
        EXPECT_NE(run.err.find("must be auto, centre or file, not 'middle'"), std::string::npos) << run.err;
    }
}

TEST_F(OriginCliTest, ProfileOptionsTakeAnySpellingAndListTheNamesOtherwise) {
    const auto reference = cli({"convert", dst_.string(), "--profile", "grbl 1.1"});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    for (const char* spelling : {"grbl", "GRBL-1.1", "grbl_1.1"}) {
        const auto run = cli({"convert", dst_.string(), "--profile", spelling});
        EXPECT_EQ(run.exitCode, 0) << spelling << run.err;
        EXPECT_EQ(run.out, reference.out) << spelling;
    }
    EXPECT_EQ(cli({"profile", "show", "marlin"}).out, cli({"profile", "show", "Marlin 2"}).out);
    const auto unknown = cli({"trace", dst_.string(), "--profile", "grb"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("known: Classic, grbl 1.1, grblHAL, Marlin 2, LinuxCNC 2.9, Klipper"), std::string::npos)
        << unknown.err;
}

}  // namespace
