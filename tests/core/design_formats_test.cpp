// The design readers on small hand-made files: what each command becomes, how the format is
// found, and damaged files (cut short, bad offsets, wrong signatures) refused with a reason.

#include "design/DesignFormat.h"
#include "design/FormatReaders.h"
#include "design/FormatTable.h"
#include "design/HusExpander.h"

#include "HusTestPacker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BitWriter;
using test::packLiterals;
using test::writeLiteralBlock;
using test::writeSingleSymbolBlock;

void put(Bytes& b, std::initializer_list<int> values) {
    for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
}
void putText(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }
void putU32le(Bytes& b, std::uint32_t v) { put(b, {int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)}); }
void putU32be(Bytes& b, std::uint32_t v) { put(b, {int(v >> 24), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)}); }
void putString16(Bytes& b, const char* text) {
    put(b, {0, int(std::strlen(text))});
    putText(b, text);
}
void padTo(Bytes& b, std::size_t size) { b.resize(std::max(b.size(), size), 0); }

// A PEC file: chart numbers 5 and 29, a 7-bit stitch, a 12-bit jump with the trim flag, a colour
// change, a 12-bit jump, a 7-bit negative stitch, the end.
Bytes pecFile() {
    Bytes b;
    putText(b, "#PEC0001");
    padTo(b, 8 + 48);
    put(b, {1, 5, 29});
    padTo(b, 8 + 528);
    put(b, {0x0A, 0x14});                    // stitch +10, +20
    put(b, {0xA0, 0x64, 0xAF, 0x9C});        // trim + jump +100, -100
    put(b, {0xFE, 0xB0, 0x02});              // colour change
    put(b, {0x90, 0x00, 0x9F, 0xFF});        // jump 0, -1
    put(b, {0x7F, 0x41});                    // stitch -1, -63
    put(b, {0xFF, 0x00});
    return b;
}

Bytes pesFile() {
    Bytes b;
    putText(b, "#PES0001");
    putU32le(b, 16);
    padTo(b, 16);
    const Bytes pec = pecFile();
    b.insert(b.end(), pec.begin() + 8, pec.end());
    return b;
}

// A JEF file with threads 1 (black) and 12 (blue): a stitch (y up in the file), a jump, a colour
// change that also moves, the end.
Bytes jefFile(const std::vector<std::int32_t>& chart = {1, -12}) {  // a negative number names the same thread
    Bytes b;
    putU32le(b, static_cast<std::uint32_t>(116 + 4 * chart.size()));
    padTo(b, 24);
    putU32le(b, static_cast<std::uint32_t>(chart.size()));
    padTo(b, 116);
    for (const std::int32_t number : chart) putU32le(b, static_cast<std::uint32_t>(number));
    put(b, {0x05, 0xFB});                          // stitch +5, down 5
    put(b, {0x80, 0x02, 0x9C, 0x64});              // jump -100, up 100
    put(b, {0x80, 0x01, 0x01, 0x00});              // colour change, then a jump +1, 0
    put(b, {0x80, 0x10});
    return b;
}

// An EXP file: stitch, needle-down long move, jump, trim, colour change that moves.
Bytes expFile() {
    Bytes b;
    put(b, {0x0A, 0x05, 0x80, 0x02, 0x7F, 0x81, 0x80, 0x04, 0x10, 0xF0, 0x80, 0x80, 0x07, 0x00, 0x80, 0x01, 0x02, 0x00});
    return b;
}

// An XXX file: a long jump, a stitch, a trim, a colour change, the end, then two colours.
Bytes xxxFile() {
    Bytes b(0x100, 0);
    b[0x27] = 2;
    put(b, {0x7E, 0x2C, 0x01, 0xD4, 0xFE});  // jump +300, down 300 (the file's y points up)
    put(b, {0x03, 0x04});                    // stitch +3, -4
    put(b, {0x7F, 0x03, 0x00, 0x00});        // trim
    put(b, {0x7F, 0x08, 0x00, 0x00});        // colour change
    put(b, {0x7F, 0x7F, 0x02, 0x14, 0x00, 0x00});
    put(b, {0x00, 0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66});
    return b;
}

// A VP3 file with one colour block starting 1 mm right of the centre, 2 mm up (positions in
// micrometres, y up).
Bytes vp3File(std::int32_t centreX = 0, std::int32_t centreY = 0, std::int32_t startX = 1000, std::int32_t startY = 2000) {
    Bytes b;
    putText(b, "%vsm%");
    put(b, {0});
    putString16(b, "");
    put(b, {0, 2, 0});
    putU32be(b, 0);
    putString16(b, "");
    b.resize(b.size() + 32, 0);
    putU32be(b, static_cast<std::uint32_t>(centreX));
    putU32be(b, static_cast<std::uint32_t>(centreY));
    b.resize(b.size() + 27, 0);
    putString16(b, "");
    b.resize(b.size() + 24, 0);
    putString16(b, "");
    put(b, {0, 1});  // one block
    put(b, {0, 5, 0});
    Bytes block;
    putU32be(block, static_cast<std::uint32_t>(startX));
    putU32be(block, static_cast<std::uint32_t>(startY));
    put(block, {1, 0, 0x12, 0x34, 0x56, 0, 0, 0, 5, 40});
    putString16(block, "1234");
    putString16(block, "Sky");
    putString16(block, "Brand");
    block.resize(block.size() + 18, 0);
    put(block, {0x02, 0xFE});                          // stitch +2, -2 (y down)
    put(block, {0x80, 0x01, 0x01, 0x2C, 0x00, 0x00});  // long move +300, 0
    put(block, {0x80, 0x02, 0x80, 0x03});              // end of the long move, trim
    put(block, {0});
    putU32be(b, static_cast<std::uint32_t>(block.size()));
    b.insert(b.end(), block.begin(), block.end());
    return b;
}

// A PCS file with three colour slots: a colour change to slot 2 before any move, the first
// position, a stitch, a colour change to slot 0, a jump. Positions are absolute, in 1/6 mm, y up.
Bytes pcsFile() {
    Bytes b;
    put(b, {0x32, 0x03, 3, 0});
    put(b, {0x11, 0x22, 0x33, 0, 0x44, 0x55, 0x66, 0, 0x77, 0x88, 0x99, 0});
    put(b, {3, 0});
    put(b, {2, 0, 0, 0, 0, 0, 0, 0, 0x01});
    put(b, {0, 60, 0, 0, 0, 30, 0, 0, 0x00});  // the start: 10 mm right, 5 mm up, reached by a jump
    put(b, {0, 66, 0, 0, 0, 30, 0, 0, 0x00});  // stitch 1 mm right
    put(b, {0, 0, 0, 0, 0, 0, 0, 0, 0x01});
    put(b, {0, 0xF4, 0xFF, 0xFF, 0, 0, 0, 0, 0x04});  // jump to 2 mm left of the origin
    return b;
}

// A SEW file with threads 33 and 60 and the same stitch list as the JEF file.
Bytes sewFile() {
    Bytes b;
    put(b, {2, 0, 33, 0, 60, 0});
    padTo(b, 0x1D78);
    const Bytes jef = jefFile();
    b.insert(b.end(), jef.begin() + 116 + 8, jef.end());
    return b;
}

// An SHV file with a 2-line picture and two colour blocks: a stitch, a long move, a jump, the end
// of the jumps and a stitch (7 words); then a mark of nothing and a stitch (2 words).
Bytes shvFile() {
    Bytes b;
    putText(b, "Embroidery disk created using software licensed from Viking Sewing Machines AB, Sweden");
    put(b, {4});
    putText(b, "Test");
    put(b, {2, 3, 1, 1, 1, 1});  // 2 lines of 3 pixels, two bytes a line
    put(b, {0xAB, 0xCD, 0xEF, 0x01});
    put(b, {2});
    padTo(b, b.size() + 18);
    for (const auto& [words, chart] : {std::pair{7u, 41}, std::pair{2u, 12}}) {
        putU32be(b, words);
        put(b, {chart});
        padTo(b, b.size() + 9);
    }
    put(b, {0x02, 0x03});                          // stitch +2, down 3
    put(b, {0x80, 0x01, 0x01, 0x2C, 0xFF, 0x9C});  // long move +300, up 100
    put(b, {0x01, 0x01});                          // a jump while the long move lasts
    put(b, {0x80, 0x02, 0xFF, 0xFF});              // end of the jumps, stitch -1, -1
    put(b, {0x80, 0x03, 0x04, 0x00});              // nothing, stitch +4
    return b;
}

// A HUS file with threads 3 (red) and 12 (white): a jump, a stitch, a trim, a colour change that
// moves, a stitch, the end.
Bytes husFile() {
    const Bytes kinds = packLiterals({0x81, 0x80, 0x88, 0x84, 0x80, 0x90});
    const Bytes xs = packLiterals({10, 5, 0, 3, 0xFE, 0});
    const Bytes ys = packLiterals({20, 0xFB, 0, 0, 1, 0});  // y points up in the file
    Bytes b;
    put(b, {0x5D, 0xFC, 0xC8, 0x00});
    putU32le(b, 6);
    putU32le(b, 2);
    padTo(b, 20);
    const std::uint32_t kindsAt = 46;
    putU32le(b, kindsAt);
    putU32le(b, kindsAt + static_cast<std::uint32_t>(kinds.size()));
    putU32le(b, kindsAt + static_cast<std::uint32_t>(kinds.size() + xs.size()));
    padTo(b, 42);
    put(b, {3, 0, 12, 0});
    for (const Bytes* stream : {&kinds, &xs, &ys}) b.insert(b.end(), stream->begin(), stream->end());
    return b;
}

// 600 bytes opening as every DST header does, with its label field.
Bytes dstLabelled() {
    Bytes b;
    putText(b, "LA:design         ");
    padTo(b, 600);
    return b;
}

struct Expected {
    RecordKind kind;
    double x, y;  // start point, mm
};

struct Case {
    const char* name;
    DesignFormat format;
    Bytes bytes;
    std::vector<Expected> records;
    std::vector<std::string> threadColours;  // "rrggbb"
};

constexpr RecordKind N = RecordKind::Stitch, J = RecordKind::Jump, T = RecordKind::Trim, C = RecordKind::ColourChange;

std::vector<Case> cases() {
    const std::vector<Expected> pec = {{N, 0, 0}, {T, 1, 2}, {J, 1, 2}, {C, 11, -8}, {J, 11, -8}, {N, 11, -8.1}, {C, 10.9, -14.4}};
    return {
        {"a.pec", DesignFormat::Pec, pecFile(), pec, {"ed171f", "f0f0f0"}},
        {"a.pes", DesignFormat::Pes, pesFile(), pec, {"ed171f", "f0f0f0"}},
        {"a.jef", DesignFormat::Jef, jefFile(), {{N, 0, 0}, {J, 0.5, 0.5}, {C, -9.5, -9.5}, {J, -9.5, -9.5}, {C, -9.4, -9.5}},
         {"000000", "0b2f84"}},
        {"a.exp", DesignFormat::Exp, expFile(), {{N, 0, 0}, {N, 1, -0.5}, {J, 13.7, 12.2}, {T, 15.3, 13.8}, {C, 15.3, 13.8}, {J, 15.3, 13.8}, {C, 15.5, 13.8}}, {}},
        {"a.xxx", DesignFormat::Xxx, xxxFile(), {{J, 0, 0}, {N, 30, 30}, {T, 30.3, 29.6}, {C, 30.3, 29.6}, {C, 30.3, 29.6}},
         {"112233", "445566"}},
        {"a.vp3", DesignFormat::Vp3, vp3File(), {{J, 0, 0}, {N, 1, -2}, {N, 1.2, -2.2}, {T, 31.2, -2.2}, {C, 31.2, -2.2}}, {"123456"}},
        {"a.pcs", DesignFormat::Pcs, pcsFile(), {{J, 0, 0}, {N, 10, -5}, {C, 11, -5}, {J, 11, -5}, {C, -2, 0}}, {"778899", "112233"}},
        {"a.sew", DesignFormat::Sew, sewFile(), {{N, 0, 0}, {J, 0.5, 0.5}, {C, -9.5, -9.5}, {J, -9.5, -9.5}, {C, -9.4, -9.5}},
         {"e3311f", "0000a0"}},
        {"a.shv", DesignFormat::Shv, shvFile(),
         {{N, 0, 0}, {J, 0.2, 0.3}, {J, 30.2, -9.7}, {N, 30.3, -9.6}, {C, 30.2, -9.7}, {N, 30.2, -9.7}, {C, 30.6, -9.7}},
         {"e83f00", "ffffff"}},
        {"a.hus", DesignFormat::Hus, husFile(),
         {{J, 0, 0}, {N, 1, -2}, {T, 1.5, -1.5}, {C, 1.5, -1.5}, {J, 1.5, -1.5}, {N, 1.8, -1.5}, {C, 1.6, -1.6}},
         {"ff0000", "ffffff"}},
    };
}

std::string hex(const DesignThread& t) {
    char text[7];
    std::snprintf(text, sizeof text, "%02x%02x%02x", t.red, t.green, t.blue);
    return text;
}

TEST(DesignReaders, EachCommandBecomesItsRecordAtItsStartPoint) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        std::vector<DesignRecord> records;
        const DecodedDesign design = decodeDesignFile(c.name, c.bytes, [&](const DesignRecord& r) { records.push_back(r); });
        EXPECT_EQ(design.format, c.format);
        ASSERT_EQ(records.size(), c.records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].kind, c.records[i].kind) << "record " << i;
            EXPECT_NEAR(records[i].x, c.records[i].x, 1e-9) << "record " << i;
            EXPECT_NEAR(records[i].y, c.records[i].y, 1e-9) << "record " << i;
        }
        std::vector<std::string> colours;
        for (const DesignThread& t : design.threads) colours.push_back(hex(t));
        EXPECT_EQ(colours, c.threadColours);

        // The figures count what was handed out, as the DST reader counts its records.
        const DesignFigures& f = design.figures;
        EXPECT_EQ(f.records, records.size());
        EXPECT_EQ(f.jumps, static_cast<std::uint64_t>(std::count_if(records.begin(), records.end(),
                                                                     [](const auto& r) { return r.kind == J; })));
        const auto changes = std::count_if(records.begin(), records.end(), [](const auto& r) { return r.kind == C; });
        EXPECT_EQ(f.colours, changes <= 1 ? 1u : static_cast<std::uint64_t>(changes));
        EXPECT_NEAR(f.width, f.maxX - f.minX, 1e-9);
        EXPECT_NEAR(f.height, f.maxY - f.minY, 1e-9);
    }
}

TEST(DesignReaders, VpThreeThreadKeepsItsNames) {
    const DecodedDesign design = decodeDesign(DesignFormat::Vp3, vp3File(), {});
    ASSERT_EQ(design.threads.size(), 1u);
    EXPECT_EQ(design.threads[0].description, "Sky");
    EXPECT_EQ(design.threads[0].catalogNumber, "1234");
}

TEST(DesignReaders, FormatComesFromTheSignatureBeforeTheExtension) {
    const struct {
        Bytes bytes;
        const char* path;
        DesignFormat format;
    } table[] = {
        {pesFile(), "design.jef", DesignFormat::Pes},
        {pecFile(), "design.dst", DesignFormat::Pec},
        {vp3File(), "noextension", DesignFormat::Vp3},
        {jefFile(), "DESIGN.JEF", DesignFormat::Jef},
        {expFile(), "a.Exp", DesignFormat::Exp},
        {xxxFile(), "a.xxx", DesignFormat::Xxx},
        {husFile(), "design.dst", DesignFormat::Hus},
        {shvFile(), "design.exp", DesignFormat::Shv},
        {sewFile(), "a.SEW", DesignFormat::Sew},
        {Bytes(600, 0), "a.hus", DesignFormat::Hus},
        {dstLabelled(), "a.txt", DesignFormat::Dst},  // a DST header under a name no reader claims
        {Bytes(600, 0), "a.dst", DesignFormat::Dst},
        {Bytes(600, 0), "noextension", DesignFormat::Dst},  // tried as DST, as always
        {Bytes(), "", DesignFormat::Dst},
    };
    for (const auto& row : table) EXPECT_EQ(detectFormat(row.bytes, row.path), row.format) << row.path;
}

// One fault each: the reason the reader gives for it.
TEST(DesignReaders, DamagedFilesAreRefusedWithAReason) {
    Bytes pesFar = pesFile();
    pesFar[11] = 0x7F;  // PEC block offset past the end
    Bytes pecCut = pecFile();
    pecCut.resize(pecCut.size() - 2);  // no end mark
    Bytes pecNoList = pecFile();
    pecNoList.resize(300);  // the stitch list would start past the end
    Bytes jefFar = jefFile();
    jefFar[1] = 0x7F;  // stitch offset past the end
    Bytes jefColours = jefFile();
    jefColours[24] = 0xFF;  // more colours than the header holds
    Bytes jefBadCommand = jefFile();
    jefBadCommand.back() = 0x33;  // the end mark becomes a command no JEF writer uses
    put(jefBadCommand, {0, 0});
    Bytes expCut = expFile();
    expCut.pop_back();  // a command cut short
    Bytes xxxShort(0x80, 0);
    Bytes xxxCut = xxxFile();
    xxxCut.resize(0x102);  // a long jump cut short
    Bytes vp3Long = vp3File();
    vp3Long[vp3Long.size() - 68] = 0x7F;  // block length far past the end
    Bytes vp3Cut = vp3File();
    vp3Cut.resize(60);
    Bytes sewColours = sewFile();
    sewColours[1] = 0xFF;  // more chart numbers than the header holds
    Bytes sewBadCommand = sewFile();
    sewBadCommand.back() = 0x33;
    put(sewBadCommand, {0, 0});
    Bytes shvLong = shvFile();
    shvLong[0x56 + 1 + 4 + 6 + 4 + 1 + 18 + 3] = 0x40;  // the first block far longer than the stream
    Bytes shvPicture = shvFile();
    shvPicture[0x56 + 1 + 4] = 0xF0;  // a picture of 240 lines
    Bytes shvBadCommand = shvFile();
    shvBadCommand[shvBadCommand.size() - 3] = 0x07;
    Bytes husSignature = husFile();
    husSignature[1] = 0;
    Bytes husFar = husFile();
    husFar[28] = 0xFF;  // the y stream starts past the end
    Bytes husMany = husFile();
    husMany[7] = 0x01;  // 2^24 and more stitches
    Bytes husCut = husFile();
    husCut.resize(husCut.size() - 1);  // the y stream loses its last literal
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } table[] = {
        {"far.pes", pesFar, "the PEC block offset points outside the file"},
        {"sig.pes", Bytes{'#', 'P', 'E', 'S'}, "the file ends inside the PES header"},
        {"cut.pec", pecCut, "the file ends inside the PEC stitch list"},
        {"nolist.pec", pecNoList, "the PEC stitch list lies outside the file"},
        {"far.jef", jefFar, "the stitch list offset points outside the file"},
        {"colours.jef", jefColours, "the colour count does not fit the header"},
        {"command.jef", jefBadCommand, "unknown JEF command"},
        {"empty.jef", Bytes{}, "the file ends inside the JEF header"},
        {"cut.exp", expCut, "the file ends inside an EXP command"},
        {"short.xxx", xxxShort, "the file ends inside the XXX header"},
        {"cut.xxx", xxxCut, "the file ends inside a long XXX move"},
        {"long.vp3", vp3Long, "a VP3 colour block runs past the end of the file"},
        {"cut.vp3", vp3Cut, "the file ends inside the VP3 header"},
        {"short.sew", Bytes(100, 0), "the file ends inside the SEW header"},
        {"colours.sew", sewColours, "the colour count does not fit the header"},
        {"command.sew", sewBadCommand, "unknown SEW command"},
        {"long.shv", shvLong, "the SHV colour blocks run past the end of the file"},
        {"picture.shv", shvPicture, "the file ends inside the SHV picture"},
        {"command.shv", shvBadCommand, "unknown SHV command"},
        {"sig.hus", husSignature, "the HUS signature is missing"},
        {"far.hus", husFar, "the HUS stitch streams lie outside the file"},
        {"many.hus", husMany, "the HUS stitch count is too large"},
        {"cut.hus", husCut, "the compressed HUS data ends early"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        try {
            decodeDesignFile(row.name, row.bytes, {});
            ADD_FAILURE() << "no error";
        } catch (const UnreadableDesignError& e) {
            EXPECT_EQ(e.path(), row.name);
            EXPECT_NE(e.reason().find(row.reason), std::string::npos) << e.reason();
        }
    }
}

// Every prefix of every file either decodes or is refused with DesignFormatError; the sanitizer
// builds check that no prefix makes a reader look past its bytes.
TEST(DesignReaders, EveryTruncationDecodesOrIsRefused) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        for (std::size_t size = 0; size <= c.bytes.size(); ++size) {
            const Bytes prefix(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(size));
            std::uint64_t handed = 0;
            try {
                const DecodedDesign d = decodeDesign(c.format, prefix, [&](const DesignRecord&) { ++handed; });
                EXPECT_EQ(d.figures.records, handed) << size;
            } catch (const DesignFormatError&) {
            }
        }
    }
}

// Back references copy what came out before, overlapping their own output where they are longer
// than their distance; the output stops at the size asked for.
TEST(HusExpander, BackReferencesCopyEarlierOutput) {
    BitWriter overlap;
    writeSingleSymbolBlock(overlap, 1, 'A', 0);
    writeSingleSymbolBlock(overlap, 1, 257, 0);  // four bytes from distance 0: the last byte again
    EXPECT_EQ(expandHusStream(overlap.bytes(), 5), Bytes(5, 'A'));
    EXPECT_EQ(expandHusStream(overlap.bytes(), 3), Bytes(3, 'A'));

    BitWriter bucket;
    writeLiteralBlock(bucket, {'a', 'b', 'c'});
    writeSingleSymbolBlock(bucket, 1, 256, 2);  // three bytes from distance 2 + one bit
    bucket.bits(0, 1);
    EXPECT_EQ(expandHusStream(bucket.bytes(), 6), (Bytes{'a', 'b', 'c', 'a', 'b', 'c'}));
}

TEST(HusExpander, MalformedStreamsAreRefused) {
    BitWriter before;
    writeSingleSymbolBlock(before, 1, 257, 0);
    BitWriter overFull;
    overFull.bits(1, 16);
    overFull.bits(3, 5);
    for (int i = 0; i < 3; ++i) overFull.bits(1, 3);  // three codes of one bit
    BitWriter ended;
    writeLiteralBlock(ended, {'x'});
    writeSingleSymbolBlock(ended, 1, 510, 0);  // the end symbol before the size asked for
    const struct {
        const char* name;
        Bytes packed;
        const char* reason;
    } table[] = {
        {"before the start", before.bytes(), "refers back before its start"},
        {"over-full table", overFull.bytes(), "is over-full"},
        {"early end symbol", ended.bytes(), "ends early"},
        {"nothing", Bytes{}, "ends early"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        try {
            expandHusStream(row.packed, 4);
            ADD_FAILURE() << "no error";
        } catch (const DesignFormatError& e) {
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos) << e.what();
        }
    }
}

TEST(DesignReaders, FormatNamesAndExtensions) {
    EXPECT_EQ(readableFormats().size(), 11u);
    for (const DesignFormat format : readableFormats()) {
        std::string lower(formatName(format));
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(formatExtensions(format), std::vector<std::string>{lower});
        EXPECT_EQ(detectFormat({}, "x." + lower), format);
    }
}

// What the table says of a format holds for a file of it: a signature claims its own format's
// file and no other, and thread colours come with the formats said to carry them.
TEST(FormatTable, RowsAgreeWithFilesOfTheirFormat) {
    std::vector<Case> all = cases();
    all.push_back({"a.dst", DesignFormat::Dst, dstLabelled(), {}, {}});
    for (const FormatRow& row : formatTable()) {
        SCOPED_TRACE(std::string(row.name));
        const auto own = std::find_if(all.begin(), all.end(), [&](const Case& c) { return c.format == row.format; });
        ASSERT_NE(own, all.end()) << "no file of this format to try";
        EXPECT_EQ(decodeDesign(row.format, own->bytes, {}).threads.empty(), !row.threadColours);
        if (row.signature == nullptr) continue;
        for (const Case& c : all) EXPECT_EQ(row.signature(c.bytes), c.format == row.format) << c.name;
    }
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

TEST(DesignReaders, VpThreePositionsAreAddedInMicrometresBeforeTheyAreRounded) {
    // The header's centre plus a block's start, then truncated toward zero to 0.1 mm; y negated.
    const struct {
        std::int32_t centreX, centreY, startX, startY;
        double x, y;  // mm, where the block's first stitch starts
    } cases[] = {
        {-18150, 18150, -8350, 8350, -26.5, -26.5},  // each part alone would lose 0.05 mm
        {50, -50, 50, -50, 0.1, 0.1},
        {-50, 0, 149, 0, 0.0, 0.0},  // 99 um: less than a unit
        {0, 0, 1000, 2000, 1.0, -2.0},
        {1000000, -1000000, 999, -999, 1000.9, 1000.9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.centreX) + " + " + std::to_string(c.startX));
        std::vector<DesignRecord> records;
        decodeDesign(DesignFormat::Vp3, vp3File(c.centreX, c.centreY, c.startX, c.startY),
                     [&](const DesignRecord& r) { records.push_back(r); });
        const auto first = std::find_if(records.begin(), records.end(), [](const auto& r) { return r.kind == N; });
        ASSERT_NE(first, records.end());
        EXPECT_NEAR(first->x, c.x, 1e-9);
        EXPECT_NEAR(first->y, c.y, 1e-9);
    }
}

TEST(DesignReaders, JefSlotZeroIsAStopThatKeepsTheThread) {
    const struct {
        std::vector<std::size_t> chart;
        std::vector<std::size_t> threads;  // chart numbers of the blocks' threads
    } cases[] = {
        {{5, 0, 7}, {5, 5, 7}},
        {{0, 0, 12}, {12, 12, 12}},
        {{3, 0, 0, 9, 0}, {3, 3, 3, 9, 9}},
        {{1, 79}, {1, 1}},  // 79 wraps round to slot 0
        {{0}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        std::vector<DesignThread> expected;
        for (const std::size_t number : c.threads) expected.push_back(jefThread(number));
        EXPECT_EQ(jefBlockThreads(c.chart), expected) << c.chart.size() << " blocks";
    }
    // Through the reader: no placeholder reaches the thread list.
    const DecodedDesign design = decodeDesign(DesignFormat::Jef, jefFile({0, 12}), {});
    EXPECT_EQ(design.threads, (std::vector<DesignThread>{jefThread(12), jefThread(12)}));
    for (const DesignThread& thread : design.threads) EXPECT_NE(thread, jefThread(0));
}

struct TableThread {
    const char* catalog;
    int red, green, blue;
    const char* description;
};

void putShortText(Bytes& b, const char* text) {
    b.push_back(static_cast<std::uint8_t>(std::strlen(text)));
    putText(b, text);
}

// A PES file of the given version whose header holds a thread table (with patternWords pattern
// counts before it), closed by the control code close, then the two-colour PEC block of pecFile.
Bytes pesWithTable(const char* version, int patternWords, const std::vector<TableThread>& threads,
                   std::uint16_t close = 0xFFFF) {
    Bytes header;
    put(header, {1, 0});
    putText(header, "02");
    for (const char* text : {"Star", "", "Me", "", ""}) putShortText(header, text);
    header.resize(header.size() + 36, 0);
    putShortText(header, "");
    header.resize(header.size() + 24 + 2 * static_cast<std::size_t>(patternWords), 0);
    put(header, {int(threads.size()), 0});
    for (const TableThread& t : threads) {
        putShortText(header, t.catalog);
        put(header, {t.red, t.green, t.blue, 0});
        putU32le(header, 0x0A);
        putShortText(header, t.description);
        putShortText(header, "Brand");
        putShortText(header, "");
    }
    put(header, {1, 0, close & 0xFF, close >> 8, 0, 0});
    Bytes b;
    putText(b, "#PES");
    putText(b, version);
    putU32le(b, static_cast<std::uint32_t>(12 + header.size()));
    b.insert(b.end(), header.begin(), header.end());
    const Bytes pec = pecFile();
    b.insert(b.end(), pec.begin() + 8, pec.end());
    return b;
}

TEST(DesignReaders, PesThreadTableGivesTheColoursWherePresent) {
    const std::vector<TableThread> two = {{"800", 0x84, 0x42, 0x00, "Brown"}, {"001", 1, 2, 3, "Ink"}};
    const std::vector<DesignThread> table = {{0x84, 0x42, 0x00, "Brown", "800"}, {1, 2, 3, "Ink", "001"}};
    const std::vector<DesignThread> chart = {pecThread(5), pecThread(29)};
    const struct {
        const char* name;
        Bytes bytes;
        std::vector<DesignThread> threads;
    } cases[] = {
        {"version 6", pesWithTable("0060", 3, two), table},
        {"version 7", pesWithTable("0070", 3, two), table},
        {"version 5, no feather patterns", pesWithTable("0050", 2, two), table},
        {"last header, no blocks after it", pesWithTable("0060", 3, two, 0), table},
        {"version 4 has no table", pesWithTable("0040", 3, two), chart},
        {"a table for other blocks", pesWithTable("0060", 3, {two[0]}), chart},
        {"no control code after the table", pesWithTable("0060", 3, two, 0x1234), chart},
        {"a layout that is not known", pesWithTable("0060", 5, two), chart},
        {"no table", pesFile(), chart},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<DesignRecord> records;
        const DecodedDesign design = decodeDesign(DesignFormat::Pes, c.bytes, [&](const DesignRecord& r) { records.push_back(r); });
        EXPECT_EQ(design.threads, c.threads);
        EXPECT_EQ(records.size(), 7u);  // the stitches still come from the PEC block
    }
    // The table is read within the PES section only, never past the PEC block.
    Bytes cut = pesWithTable("0060", 3, two);
    cut[8] = 60;  // the PEC block offset now points into the table
    EXPECT_NO_THROW(pesThreadTable(cut, 2));
    EXPECT_TRUE(pesThreadTable(cut, 2).empty());
}

}  // namespace
}  // namespace tessaline
