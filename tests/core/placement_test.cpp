// Placing a design: home-machine formats centred on the origin, DST and EXP as in the file, and
// every consumer of the placed decode seeing the same moved records and figures.

#include "design/Placement.h"

#include "DstTestEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

struct Move {
    int dx, dy;  // 0.1 mm, y down
};

// One design as a JEF file: the moves as stitches, then the end.
std::vector<std::uint8_t> jefOf(const std::vector<Move>& moves) {
    std::vector<std::uint8_t> b(116 + 4, 0);
    b[0] = 120;  // the stitch list follows one colour
    b[24] = 1;
    b[116] = 2;
    for (const Move& m : moves) {
        b.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(m.dx)));
        b.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(-m.dy)));
    }
    b.insert(b.end(), {0x80, 0x10});
    return b;
}

// The same design as a DST file (the file's y points up).
std::vector<std::uint8_t> dstOf(const std::vector<Move>& moves) {
    test::DstTestEncoder dst;
    for (const Move& m : moves) dst.stitch(m.dx, -m.dy);
    dst.end();
    return dst.bytes();
}

// A star-like outline 62 mm wide and 31 mm high with its corner on the origin, as PES often has it.
const std::vector<Move> kCornerDesign = {{100, 0},   {-100, 100}, {100, 100},  {-100, 110}, {120, 0},
                                         {120, -110}, {120, 110}, {120, -110}, {120, 110},  {20, -110},
                                         {0, -100},   {-100, -100}, {-120, 0}};

std::vector<DesignRecord> recordsOf(DesignFormat format, const std::vector<std::uint8_t>& bytes, Placement placement,
                                    PlacedDesign* placed = nullptr) {
    std::vector<DesignRecord> records;
    const PlacedDesign result = decodePlacedDesign(format, bytes, placement, [&](const DesignRecord& r) { records.push_back(r); });
    if (placed) *placed = result;
    return records;
}

TEST(Placement, WordsReadBackAndOthersAreRefused) {
    for (const Placement p : {Placement::Automatic, Placement::Centred, Placement::AsInFile}) {
        EXPECT_EQ(parsePlacement(placementWord(p)), p) << placementWord(p);
    }
    EXPECT_EQ(parsePlacement("center"), Placement::Centred);
    for (const char* word : {"", "Auto", "centred", "middle", "file "}) EXPECT_EQ(parsePlacement(word), std::nullopt) << word;
}

TEST(Placement, AutomaticCentresHomeMachineFormatsOnly) {
    const std::vector<DesignFormat> home = {DesignFormat::Pes, DesignFormat::Pec, DesignFormat::Jef,
                                            DesignFormat::Sew, DesignFormat::Vp3, DesignFormat::Xxx,
                                            DesignFormat::Hus, DesignFormat::Shv, DesignFormat::Pcs};
    for (const DesignFormat format : readableFormats()) {
        const bool isHome = std::find(home.begin(), home.end(), format) != home.end();
        EXPECT_EQ(centresDesign(Placement::Automatic, format), isHome) << formatName(format);
        EXPECT_TRUE(centresDesign(Placement::Centred, format)) << formatName(format);
        EXPECT_FALSE(centresDesign(Placement::AsInFile, format)) << formatName(format);
    }
}

TEST(Placement, ShiftPutsTheCentreWithinHalfATenthOnTheTenthGrid) {
    const struct {
        double minX, maxX, minY, maxY;
    } cases[] = {
        {0, 62, 0, 31}, {-60, 0, 16, 48.2}, {3.3, 3.4, -0.1, 0}, {-5, 5, -2.5, 2.5}, {1000.05, 1200.15, -7.77, 9.99},
        {-29.5666666666667, 29.6, -31.2, 31.1333333333333},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.minX) + ".." + std::to_string(c.maxX));
        DesignFigures figures;
        figures.minX = c.minX;
        figures.maxX = c.maxX;
        figures.minY = c.minY;
        figures.maxY = c.maxY;
        const DesignShift shift = centringShift(figures);
        for (const double v : {shift.x, shift.y}) {
            EXPECT_NEAR(v * 10, std::round(v * 10), 1e-9);
            EXPECT_FALSE(v == 0 && std::signbit(v)) << "a negative zero would be written as -0";
        }
        const DesignFigures placed = shiftedFigures(figures, shift);
        EXPECT_LE(std::fabs(placed.minX + placed.maxX) / 2, 0.05 + 1e-9);
        EXPECT_LE(std::fabs(placed.minY + placed.maxY) / 2, 0.05 + 1e-9);
        EXPECT_NEAR(placed.maxX - placed.minX, c.maxX - c.minX, 1e-9);
    }
    EXPECT_TRUE(centringShift(DesignFigures{}).isZero());
}

TEST(Placement, EveryRecordAndTheFiguresMoveTogether) {
    const std::vector<std::uint8_t> bytes = jefOf(kCornerDesign);
    PlacedDesign raw, placed;
    const auto rawRecords = recordsOf(DesignFormat::Jef, bytes, Placement::AsInFile, &raw);
    const auto placedRecords = recordsOf(DesignFormat::Jef, bytes, Placement::Automatic, &placed);
    EXPECT_TRUE(raw.shift.isZero());
    EXPECT_EQ(placed.shift.x, -31.0);  // 0..62 mm
    EXPECT_EQ(placed.shift.y, -15.5);  // 0..31 mm
    ASSERT_EQ(placedRecords.size(), rawRecords.size());
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (std::size_t i = 0; i < rawRecords.size(); ++i) {
        EXPECT_EQ(placedRecords[i].kind, rawRecords[i].kind);
        EXPECT_NEAR(placedRecords[i].x, rawRecords[i].x + placed.shift.x, 1e-9);
        EXPECT_NEAR(placedRecords[i].y, rawRecords[i].y + placed.shift.y, 1e-9);
        if (i == 0) continue;  // the extents count positions reached after a move
        minX = std::min(minX, placedRecords[i].x);
        maxX = std::max(maxX, placedRecords[i].x);
        minY = std::min(minY, placedRecords[i].y);
        maxY = std::max(maxY, placedRecords[i].y);
    }
    const DesignFigures& f = placed.design.figures;
    EXPECT_NEAR(f.minX, minX, 1e-9);
    EXPECT_NEAR(f.maxX, maxX, 1e-9);
    EXPECT_NEAR(f.minY, minY, 1e-9);
    EXPECT_NEAR(f.maxY, maxY, 1e-9);
    EXPECT_EQ(f.records, raw.design.figures.records);
    EXPECT_EQ(f.width, raw.design.figures.width);

    // A later pass over the same bytes with the shift gives the same records.
    std::vector<DesignRecord> again;
    decodeShiftedDesign(DesignFormat::Jef, bytes, placed.shift, [&](const DesignRecord& r) { again.push_back(r); });
    ASSERT_EQ(again.size(), placedRecords.size());
    for (std::size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].x, placedRecords[i].x);
}

TEST(Placement, TheSameDesignLandsInTheSamePlaceAsDstCentredOrJefAutomatic) {
    const auto dstAuto = recordsOf(DesignFormat::Dst, dstOf(kCornerDesign), Placement::Automatic);
    const auto dstFile = recordsOf(DesignFormat::Dst, dstOf(kCornerDesign), Placement::AsInFile);
    const auto dstCentred = recordsOf(DesignFormat::Dst, dstOf(kCornerDesign), Placement::Centred);
    const auto jefAuto = recordsOf(DesignFormat::Jef, jefOf(kCornerDesign), Placement::Automatic);
    ASSERT_EQ(dstAuto.size(), jefAuto.size());
    for (std::size_t i = 0; i < dstAuto.size(); ++i) {
        // DST counts from the needle's start point: automatic keeps the file's coordinates.
        EXPECT_EQ(dstAuto[i].x, dstFile[i].x);
        EXPECT_EQ(dstAuto[i].y, dstFile[i].y);
        EXPECT_NEAR(dstCentred[i].x, jefAuto[i].x, 1e-9);
        EXPECT_NEAR(dstCentred[i].y, jefAuto[i].y, 1e-9);
    }
}

TEST(Placement, DecodingAFileNamesItWhenItIsDamaged) {
    const std::vector<std::uint8_t> damaged = {'#', 'P', 'E', 'S', '0', '0', '0', '1', 0xFF, 0xFF, 0xFF, 0xFF};
    for (const Placement p : {Placement::Automatic, Placement::AsInFile}) {
        try {
            decodePlacedDesignFile("/designs/bad.pes", damaged, p, {});
            ADD_FAILURE() << "a damaged file was read";
        } catch (const UnreadableDesignError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("/designs/bad.pes: ", 0), 0u) << e.what();
        }
    }
}

// The shared designs saved in several home formats land centred under the default placement,
// while the file's own coordinates put them in many places.
TEST(Placement, SharedDesignsInEveryHomeFormatLandCentred) {
    const fs::path dir = TESSALINE_REAL_FORMATS_DIR;
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no shared designs at " << dir;
    int checked = 0;
    for (const char* set : {"__Star.", "__geometric_objects.", "__Hopea.", "__shamrockin."}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            const std::string ext = entry.path().extension().string();
            if (name.find(set) == std::string::npos || ext == ".csv") continue;
            SCOPED_TRACE(name);
            const auto bytes = readDesignFile(entry.path());
            const PlacedDesign placed = decodePlacedDesignFile(entry.path(), bytes, Placement::Automatic, {});
            const DesignFigures& f = placed.design.figures;
            if (placed.design.format == DesignFormat::Exp) {
                EXPECT_TRUE(placed.shift.isZero());
                continue;
            }
            EXPECT_LE(std::fabs(f.minX + f.maxX) / 2, 0.1);
            EXPECT_LE(std::fabs(f.minY + f.maxY) / 2, 0.1);
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
}

}  // namespace
}  // namespace tessaline
