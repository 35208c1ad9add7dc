#include "design/DstDecoder.h"
#include "design/DesignFile.h"

#include "common/NumberFormat.h"

#include "DstTestEncoder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using test::DstTestEncoder;

struct Decoded {
    DesignFigures figures;
    std::vector<DesignRecord> records;
};

Decoded decode(const std::vector<std::uint8_t>& bytes) {
    Decoded out;
    out.figures = decodeDst(bytes, [&](const DesignRecord& r) { out.records.push_back(r); });
    return out;
}

void expectRecord(const DesignRecord& record, RecordKind kind, double x, double y) {
    EXPECT_EQ(record.kind, kind);
    EXPECT_DOUBLE_EQ(record.x, x);
    EXPECT_DOUBLE_EQ(record.y, y);
}

// ---- The bit layout of a record -------------------------------------------------------------

struct BitCase {
    int byte;  // 0, 1, 2 for b1, b2, b3
    int bit;
    int dx;
    int dy;  // as the file counts it, +y up
};

// Written out from the file format, independently of the decoder's tables and the test encoder.
const BitCase kBits[] = {
    {0, 0, 1, 0},   {0, 1, -1, 0},  {0, 2, 9, 0},   {0, 3, -9, 0},
    {0, 4, 0, -9},  {0, 5, 0, 9},   {0, 6, 0, -1},  {0, 7, 0, 1},
    {1, 0, 3, 0},   {1, 1, -3, 0},  {1, 2, 27, 0},  {1, 3, -27, 0},
    {1, 4, 0, -27}, {1, 5, 0, 27},  {1, 6, 0, -3},  {1, 7, 0, 3},
    {2, 2, 81, 0},  {2, 3, -81, 0}, {2, 4, 0, -81}, {2, 5, 0, 81},
};

TEST(DstDecoderMoves, EachBitMovesByItsWeightWithYNegated) {
    for (const BitCase& c : kBits) {
        std::uint8_t b[3] = {0, 0, 0x03};
        b[c.byte] |= static_cast<std::uint8_t>(1 << c.bit);
        DstTestEncoder dst;
        dst.raw(b[0], b[1], b[2]).raw(0, 0, 0x03);
        const Decoded d = decode(dst.bytes());
        SCOPED_TRACE("byte " + formatInteger(c.byte + 1) + " bit " + formatInteger(c.bit));
        ASSERT_EQ(d.records.size(), 2u);
        // The second record starts where the first one's move ended.
        EXPECT_DOUBLE_EQ(d.records[1].x, c.dx / 10.0);
        EXPECT_DOUBLE_EQ(d.records[1].y, -c.dy / 10.0);
    }
}

TEST(DstDecoderMoves, KindBitsOfTheThirdByteDoNotMove) {
    DstTestEncoder dst;
    dst.raw(0, 0, 0xC3).raw(0, 0, 0x83).raw(0, 0, 0x03).raw(0, 0, 0xF3);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 4u);
    for (const DesignRecord& r : d.records) {
        EXPECT_EQ(r.x, 0.0);
        EXPECT_EQ(r.y, 0.0);
    }
}

TEST(DstDecoderMoves, EveryMoveWithinRangeDecodesToItself) {
    DstTestEncoder dst;
    std::vector<std::pair<int, int>> moves;
    for (int dx = -121; dx <= 121; ++dx) {
        for (int dy = -121; dy <= 121; ++dy) {
            dst.stitch(dx, dy).stitch(-dx, -dy);
            moves.emplace_back(dx, dy);
        }
    }
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), moves.size() * 2);
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const DesignRecord& turn = d.records[2 * i + 1];
        ASSERT_DOUBLE_EQ(turn.x, moves[i].first / 10.0) << "dx " << moves[i].first;
        ASSERT_DOUBLE_EQ(turn.y, -moves[i].second / 10.0) << "dy " << moves[i].second;
        ASSERT_EQ(d.records[2 * i].x, 0.0);
    }
}

// ---- Kinds and the records handed out -------------------------------------------------------

TEST(DstDecoderKinds, StitchJumpColourChangeAndEndRecords) {
    DstTestEncoder dst;
    dst.stitch(10, 0).jump(0, 20).colourChange().stitch(-5, -5).end();
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 5u);
    expectRecord(d.records[0], RecordKind::Stitch, 0, 0);
    expectRecord(d.records[1], RecordKind::Jump, 1.0, 0);
    expectRecord(d.records[2], RecordKind::ColourChange, 1.0, -2.0);
    expectRecord(d.records[3], RecordKind::Stitch, 1.0, -2.0);
    // The end record is stored as a colour change at the design's final position.
    expectRecord(d.records[4], RecordKind::ColourChange, 0.5, -1.5);
    EXPECT_EQ(d.figures.records, 5u);
    EXPECT_EQ(d.figures.jumps, 1u);
}

TEST(DstDecoderKinds, KindIsTakenFromBitsZeroOneSixAndSevenOnly) {
    // Move bits of b3 (2-5) set alongside the kind bits leave the kind alone.
    DstTestEncoder dst;
    dst.raw(0, 0, 0x03 | 0x3C).raw(0, 0, 0x83 | 0x3C).raw(0, 0, 0xC3 | 0x3C);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 3u);
    EXPECT_EQ(d.records[0].kind, RecordKind::Stitch);
    EXPECT_EQ(d.records[1].kind, RecordKind::Jump);
    EXPECT_EQ(d.records[2].kind, RecordKind::ColourChange);
}

TEST(DstDecoderKinds, OtherKindsGiveNoRecordButStillMove) {
    for (std::uint8_t kind : {0x00, 0x01, 0x02, 0x40, 0x41, 0x42, 0x43, 0x80, 0x81, 0x82, 0xC0, 0xC1, 0xC2}) {
        SCOPED_TRACE("b3 kind bits " + formatInteger(kind));
        DstTestEncoder dst;
        dst.raw(0x01, 0x00, kind).stitch(0, 0);  // +1 unit in x, then a stitch to show where it led
        const Decoded d = decode(dst.bytes());
        ASSERT_EQ(d.records.size(), 1u);
        expectRecord(d.records[0], RecordKind::Stitch, 0.1, 0);
        EXPECT_EQ(d.figures.records, 2u);
        EXPECT_EQ(d.figures.jumps, 0u);
    }
}

TEST(DstDecoderKinds, ZeroMovesOfJumpAndStitchKinds) {
    DstTestEncoder dst;
    dst.raw(0, 0, 0x83).raw(0, 0, 0x03).stitch(0, 0);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 3u);
    expectRecord(d.records[0], RecordKind::Jump, 0, 0);
    expectRecord(d.records[1], RecordKind::Stitch, 0, 0);
    expectRecord(d.records[2], RecordKind::Stitch, 0, 0);
    EXPECT_EQ(d.figures.jumps, 1u);
}

TEST(DstDecoderKinds, RecordsAfterTheEndRecordAreReadToo) {
    DstTestEncoder dst;
    dst.stitch(3, 0).end().stitch(7, 0).jump(1, 0);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 4u);
    expectRecord(d.records[2], RecordKind::Stitch, 0.3, 0);
    expectRecord(d.records[3], RecordKind::Jump, 1.0, 0);
    EXPECT_EQ(d.figures.records, 4u);
    EXPECT_EQ(d.figures.jumps, 1u);
    EXPECT_DOUBLE_EQ(d.figures.maxX, 1.1);
}

TEST(DstDecoderKinds, FirstRecordStandsAtTheOriginWhateverItsMove) {
    DstTestEncoder dst;
    dst.jump(121, -121).stitch(1, 1);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), 2u);
    expectRecord(d.records[0], RecordKind::Jump, 0, 0);
    expectRecord(d.records[1], RecordKind::Stitch, 12.1, 12.1);
}

TEST(DstDecoderKinds, HeaderIsNotLookedAt) {
    DstTestEncoder plain;
    plain.stitch(5, 5).end();
    std::vector<std::uint8_t> garbled = plain.bytes();
    std::fill(garbled.begin(), garbled.begin() + 512, std::uint8_t{0xC3});
    const Decoded a = decode(plain.bytes());
    const Decoded b = decode(garbled);
    ASSERT_EQ(b.records.size(), a.records.size());
    EXPECT_EQ(b.figures.records, a.figures.records);
    EXPECT_EQ(b.figures.colours, a.figures.colours);
    EXPECT_DOUBLE_EQ(b.records[1].x, a.records[1].x);
}

TEST(DstDecoderKinds, EmptySinkIsAllowed) {
    DstTestEncoder dst;
    dst.stitch(1, 2).jump(3, 4).end();
    const DesignFigures figures = decodeDst(dst.bytes(), {});
    EXPECT_EQ(figures.records, 3u);
    EXPECT_EQ(figures.jumps, 1u);
}

// ---- Colour count ---------------------------------------------------------------------------

TEST(DstDecoderColours, OneColourWithOrWithoutEndRecord) {
    DstTestEncoder noEnd;
    noEnd.stitch(1, 1);
    EXPECT_EQ(decode(noEnd.bytes()).figures.colours, 1u);

    DstTestEncoder withEnd;
    withEnd.stitch(1, 1).end();
    EXPECT_EQ(decode(withEnd.bytes()).figures.colours, 1u);
}

TEST(DstDecoderColours, ColourChangesPlusOneWithEndRecord) {
    DstTestEncoder dst;
    dst.stitch(1, 1).colourChange().stitch(1, 1).colourChange().stitch(1, 1).end();
    EXPECT_EQ(decode(dst.bytes()).figures.colours, 3u);
}

TEST(DstDecoderColours, BoundaryCountsEveryThirdByteWithBitsSixAndSeven) {
    // 0xC0 and 0xC1 give no record, yet they are colour boundaries; with the end record the
    // counter reaches 4, so 3 colours.
    DstTestEncoder dst;
    dst.stitch(1, 1).raw(0, 0, 0xC0).raw(0, 0, 0xC1).end();
    const Decoded d = decode(dst.bytes());
    EXPECT_EQ(d.records.size(), 2u);
    EXPECT_EQ(d.figures.colours, 3u);
}

TEST(DstDecoderColours, ColourChangeWithoutEndRecordCountsOneLess) {
    // Counter 1 + 2 boundaries = 3, shown as 2.
    DstTestEncoder dst;
    dst.stitch(1, 1).colourChange().stitch(1, 1).colourChange();
    EXPECT_EQ(decode(dst.bytes()).figures.colours, 2u);
}

TEST(DstDecoderColours, CountsPastSixteenBits) {
    DstTestEncoder dst;
    for (int i = 0; i < 40000; ++i) dst.jump(1, 0).colourChange();
    dst.end();
    const Decoded d = decode(dst.bytes());
    EXPECT_EQ(d.figures.jumps, 40000u);
    EXPECT_EQ(d.figures.colours, 40001u);
    EXPECT_EQ(d.figures.records, 80001u);
    EXPECT_DOUBLE_EQ(d.figures.maxX, 4000.0);
}

// ---- Extents --------------------------------------------------------------------------------

TEST(DstDecoderExtents, CoverPositionsReachedAfterEachMove) {
    DstTestEncoder dst;
    dst.jump(50, -30).stitch(10, 20).stitch(-25, 5).end();
    // Reached: (50,-30) (60,-10) (35,-5) (35,-5); stored y is the file's y negated.
    const DesignFigures f = decode(dst.bytes()).figures;
    EXPECT_DOUBLE_EQ(f.minX, 3.5);
    EXPECT_DOUBLE_EQ(f.maxX, 6.0);
    EXPECT_DOUBLE_EQ(f.minY, 0.5);
    EXPECT_DOUBLE_EQ(f.maxY, 3.0);
    EXPECT_DOUBLE_EQ(f.width, 2.5);
    EXPECT_DOUBLE_EQ(f.height, 2.5);
}

TEST(DstDecoderExtents, OriginCountsOnlyWhenAMoveEndsThere) {
    DstTestEncoder away;
    away.jump(10, 0).stitch(10, 0);
    EXPECT_DOUBLE_EQ(decode(away.bytes()).figures.minX, 1.0);

    DstTestEncoder back;
    back.jump(10, 0).stitch(-10, 0);
    EXPECT_DOUBLE_EQ(decode(back.bytes()).figures.minX, 0.0);
}

TEST(DstDecoderExtents, FarReachingDesign) {
    // Beyond 100 mm on both axes, where fixed start values of +/-100 mm would show.
    DstTestEncoder dst;
    for (int i = 0; i < 9; ++i) dst.jump(121, 121);
    dst.stitch(10, 10);
    const DesignFigures f = decode(dst.bytes()).figures;
    EXPECT_DOUBLE_EQ(f.minX, 12.1);
    EXPECT_DOUBLE_EQ(f.maxX, 109.9);
    EXPECT_DOUBLE_EQ(f.minY, -109.9);
    EXPECT_DOUBLE_EQ(f.maxY, -12.1);
    EXPECT_DOUBLE_EQ(f.width, 97.8);
    EXPECT_DOUBLE_EQ(f.height, 97.8);
}

TEST(DstDecoderExtents, NoRecordsGiveZeroFigures) {
    for (std::size_t size : {0u, 100u, 512u, 513u}) {
        SCOPED_TRACE("size " + formatInteger(size));
        std::vector<std::uint8_t> bytes(size, 0x01);
        const Decoded d = decode(bytes);
        EXPECT_TRUE(d.records.empty());
        EXPECT_EQ(d.figures.records, 0u);
        EXPECT_EQ(d.figures.jumps, 0u);
        EXPECT_EQ(d.figures.colours, 1u);
        EXPECT_EQ(d.figures.minX, 0.0);
        EXPECT_EQ(d.figures.maxX, 0.0);
        EXPECT_EQ(d.figures.minY, 0.0);
        EXPECT_EQ(d.figures.maxY, 0.0);
        EXPECT_EQ(d.figures.width, 0.0);
        EXPECT_EQ(d.figures.height, 0.0);
    }
}

TEST(DstDecoderExtents, PositionsStayExactOverLongDesigns) {
    DstTestEncoder dst;
    const int count = 200000;
    for (int i = 0; i < count; ++i) dst.stitch(1, -1);
    const Decoded d = decode(dst.bytes());
    ASSERT_EQ(d.records.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; i += 997) {
        ASSERT_EQ(d.records[static_cast<std::size_t>(i)].x, i / 10.0);
        ASSERT_EQ(d.records[static_cast<std::size_t>(i)].y, i / 10.0);
    }
    EXPECT_EQ(d.figures.maxX, count / 10.0);
    EXPECT_EQ(d.figures.width, (count - 1) / 10.0);
}

// ---- Where reading stops --------------------------------------------------------------------

TEST(DstDecoderLength, OneTrailingByteIsIgnored) {
    DstTestEncoder dst;
    dst.stitch(2, 0).end().trailing({0x1A});
    const Decoded d = decode(dst.bytes());
    EXPECT_EQ(d.figures.records, 2u);
    EXPECT_EQ(d.records.size(), 2u);
}

TEST(DstDecoderLength, TwoTrailingBytesAreARecordWhoseThirdByteIsZero) {
    // b1 = 0x01 moves +1 in x; the missing b3 reads as 0: no kind, no boundary, move applied.
    DstTestEncoder dst;
    dst.stitch(2, 0).trailing({0x01, 0x00});
    const Decoded d = decode(dst.bytes());
    EXPECT_EQ(d.figures.records, 2u);
    EXPECT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.figures.colours, 1u);
    EXPECT_DOUBLE_EQ(d.figures.maxX, 0.3);
}

TEST(DstDecoderLength, ShortestFileWithARecord) {
    // 514 bytes: the first byte of the record lies before the last byte of the file.
    std::vector<std::uint8_t> bytes(512, ' ');
    bytes.push_back(0x80);  // +1 in the file's y
    bytes.push_back(0x00);
    const Decoded d = decode(bytes);
    EXPECT_EQ(d.figures.records, 1u);
    EXPECT_TRUE(d.records.empty());
    EXPECT_DOUBLE_EQ(d.figures.minY, -0.1);
    EXPECT_DOUBLE_EQ(d.figures.maxY, -0.1);
}

TEST(DstDecoderLength, RecordCountFollowsFileLength) {
    // Sizes past the header and the records read: a record is read while its first byte is
    // before the file's last byte.
    const std::pair<std::size_t, std::uint64_t> cases[] = {
        {513, 0}, {514, 1}, {515, 1}, {516, 1}, {517, 2}, {518, 2}, {519, 2}, {520, 3},
    };
    for (const auto& [size, records] : cases) {
        std::vector<std::uint8_t> bytes(size, 0x03);
        EXPECT_EQ(decode(bytes).figures.records, records) << "size " << size;
    }
}

// ---- Reading the file -----------------------------------------------------------------------

class DesignFileTest : public ::testing::Test {
protected:
    tessaline::test::TempFolder temp_{"tessaline-dst"};
    std::filesystem::path dir_ = temp_.path();
};

TEST_F(DesignFileTest, ReadsEveryByte) {
    std::vector<std::uint8_t> content(200000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const auto file = dir_ / "big design.dst";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(content.data()),
                                                static_cast<std::streamsize>(content.size()));
    EXPECT_EQ(readDesignFile(file), content);
}

TEST_F(DesignFileTest, EmptyFileGivesNoBytes) {
    const auto file = dir_ / "empty.dst";
    std::ofstream{file};
    EXPECT_TRUE(readDesignFile(file).empty());
}

TEST_F(DesignFileTest, MissingFileNamesPathAndReason) {
    const auto file = dir_ / "missing.dst";
    try {
        readDesignFile(file);
        FAIL() << "no error for a missing file";
    } catch (const DesignFileError& e) {
        EXPECT_EQ(std::string(e.what()), file.string() + ": No such file or directory");
        EXPECT_EQ(e.path(), file);
        EXPECT_EQ(e.reason(), "No such file or directory");
    }
}

TEST_F(DesignFileTest, FolderNamesPathAndReason) {
    try {
        readDesignFile(dir_);
        FAIL() << "no error for a folder";
    } catch (const DesignFileError& e) {
        EXPECT_EQ(std::string(e.what()), dir_.string() + ": Is a directory");
    }
}

TEST_F(DesignFileTest, PathThroughARegularFile) {
    const auto file = dir_ / "plain.dst";
    std::ofstream{file} << "x";
    try {
        readDesignFile(file / "inner.dst");
        FAIL() << "no error for a path through a file";
    } catch (const DesignFileError& e) {
        EXPECT_EQ(e.reason(), "Not a directory");
    }
}


TEST_F(DesignFileTest, SizeLimitAllowsTheLargestDesignAndRefusesOneByteMore) {
    // Sparse files: the size is what counts, and a refused one is never read.
    const auto largest = dir_ / "largest.dst";
    const auto tooLarge = dir_ / "too-large.dst";
    std::ofstream{largest};
    std::ofstream{tooLarge};
    std::filesystem::resize_file(largest, kMaxDesignFileBytes);
    std::filesystem::resize_file(tooLarge, kMaxDesignFileBytes + 1);
    EXPECT_EQ(readDesignFile(largest).size(), kMaxDesignFileBytes);
    try {
        readDesignFile(tooLarge);
        FAIL() << "no error for a file over the limit";
    } catch (const DesignFileError& e) {
        EXPECT_EQ(e.path(), tooLarge);
        EXPECT_NE(e.reason().find(std::to_string(kMaxDesignFileBytes + 1) + " bytes"), std::string::npos) << e.reason();
    }
}

TEST_F(DesignFileTest, OnlyRegularFilesAreRead) {
    // A named pipe with no writer would block an ordinary open; /dev/zero never ends.
    const auto pipe = dir_ / "pipe.dst";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        std::filesystem::path path;
        std::string reason;
    } cases[] = {
        {pipe, "not a regular file but a named pipe"},
        {"/dev/zero", "not a regular file but a device"},
        {dir_, "Is a directory"},
    };
    for (const auto& c : cases) {
        if (!std::filesystem::exists(c.path)) continue;
        try {
            readDesignFile(c.path);
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const DesignFileError& e) {
            EXPECT_EQ(e.reason(), c.reason) << c.path;
            EXPECT_EQ(e.path(), c.path);
        }
    }
}

}  // namespace
}  // namespace tessaline
