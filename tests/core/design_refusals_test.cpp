// Files that are no design Tessaline can read: other programs' formats, DST files too short to
// hold a header, and counts no file of that size can truly hold (a compressed HUS that would
// expand to millions of stitches, any design past the DST ceiling).

#include "design/DesignFormat.h"

#include "HusTestPacker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string readableList() {
    std::string list;
    for (const DesignFormat format : readableFormats()) list += (list.empty() ? "" : ", ") + std::string(formatName(format));
    return list;
}

// The reason decodeDesignFile refuses the file with; empty when it reads.
std::string refusal(const std::string& name, const Bytes& bytes) {
    try {
        decodeDesignFile(name, bytes, {});
        return {};
    } catch (const UnreadableDesignError& e) {
        EXPECT_EQ(e.path(), name);
        return e.reason();
    }
}

TEST(UnreadFormats, AnotherProgramsFormatIsRefusedNamingItAndWhatIsRead) {
    Bytes noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const struct {
        const char* name;
        const char* shown;  // the format's name and its extension as the message gives them
    } cases[] = {
        {"flower.vip", "the VIP format (.vip)"}, {"flower.VP4", "the VP4 format (.VP4)"},
        {"a.b.csd", "the CSD format (.csd)"},    {"rose.10o", "the 10O format (.10o)"},
        {"x.Art", "the ART format (.Art)"},      {"notes.txt", "the TXT format (.txt)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Bytes& bytes : {noise, Bytes(600, 0), Bytes{}}) {
            EXPECT_EQ(refusal(c.name, bytes), std::string(c.shown) + " is not one Tessaline reads; it reads " + readableList());
        }
    }
}

TEST(UnreadFormats, ContentStillDecidesUnderAnUnknownExtension) {
    Bytes dst(512 + 3, 0);
    std::memcpy(dst.data(), "LA:star", 7);
    dst[512 + 2] = 0x03;  // one stitch
    Bytes pec(600, 0);
    std::memcpy(pec.data(), "#PEC0001", 8);
    EXPECT_EQ(detectFormat(dst, "star.vip"), DesignFormat::Dst);
    EXPECT_EQ(detectFormat(pec, "star.vip"), DesignFormat::Pec);
    EXPECT_EQ(decodeDesignFile("star.vip", dst, {}).figures.records, 1u);
    EXPECT_EQ(decodeDesignFile("star", Bytes(512 + 3, 0), {}).format, DesignFormat::Dst);
}

TEST(UnreadFormats, DstShorterThanItsHeaderIsNoDesign) {
    for (const char* name : {"short.dst", "SHORT.DST", "noextension"}) {
        for (const std::size_t size : {std::size_t{0}, std::size_t{6}, kDstHeaderBytes - 1}) {
            SCOPED_TRACE(std::string(name) + " of " + std::to_string(size));
            const std::string reason = refusal(name, Bytes(size, 'x'));
            EXPECT_NE(reason.find("too short to be a design"), std::string::npos) << reason;
            EXPECT_NE(reason.find(std::to_string(size) + " bytes"), std::string::npos) << reason;
        }
        EXPECT_EQ(refusal(name, Bytes(kDstHeaderBytes, 'x')), "");  // a header alone: an empty design
    }
}

// A HUS file whose three streams are each one literal and then back references of 256 bytes,
// whose codes take no bits: a hundred bytes or so that expand to stitches of the same move.
Bytes husBomb(std::uint32_t stitches) {
    const auto stream = [stitches](std::uint8_t first) {
        test::BitWriter w;
        test::writeLiteralBlock(w, {first});
        for (std::uint64_t made = 1; made < stitches; made += 65'535ull * 256) {
            test::writeSingleSymbolBlock(w, 65'535, 256 + 253, 0);  // length 256 from distance 0
        }
        return w.bytes();
    };
    const Bytes kinds = stream(0x80), xs = stream(1), ys = stream(1);
    Bytes b(42, 0);
    const auto putU32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    putU32(0, 0x00C8FC5D);
    putU32(4, stitches);
    putU32(20, 42);
    putU32(24, static_cast<std::uint32_t>(42 + kinds.size()));
    putU32(28, static_cast<std::uint32_t>(42 + kinds.size() + xs.size()));
    for (const Bytes* s : {&kinds, &xs, &ys}) b.insert(b.end(), s->begin(), s->end());
    return b;
}

TEST(DesignBounds, CompressedHusCannotClaimMoreStitchesThanItsSizeHolds) {
    for (const std::uint32_t claimed : {100'000u, 8'000'000u, 16'777'217u}) {
        SCOPED_TRACE(claimed);
        const Bytes bomb = husBomb(claimed);
        EXPECT_LT(bomb.size(), 200u);
        std::uint64_t handed = 0;
        try {
            decodeDesignFile("bomb.hus", bomb, [&handed](const DesignRecord&) { ++handed; });
            ADD_FAILURE() << "no error";
        } catch (const UnreadableDesignError& e) {
            EXPECT_NE(e.reason().find("the HUS stitch count is too large"), std::string::npos) << e.reason();
            EXPECT_NE(e.reason().find(std::to_string(bomb.size()) + " bytes"), std::string::npos) << e.reason();
        }
        EXPECT_EQ(handed, 0u);  // refused before any stitch came out
    }
    // The same packing with a count real designs reach for their size still reads.
    const Bytes dense = husBomb(1'000);
    const DecodedDesign design = decodeDesignFile("dense.hus", dense, {});
    EXPECT_GT(1'000.0 / static_cast<double>(dense.size()), 5.0);
    EXPECT_EQ(design.figures.records, 1'001u);
    EXPECT_DOUBLE_EQ(design.figures.width, 99.9);
}

// Byte-coded formats hold at most one record in two bytes, so a file within the size limit can
// still claim more than the largest DST: the reader stops at the ceiling.
TEST(DesignBounds, NoFormatGoesPastTheDstCeiling) {
    const auto expStitches = [](std::uint64_t count) { return Bytes(2 * count, 0x01); };
    std::uint64_t handed = 0;
    const auto count = [&handed](const DesignRecord&) { ++handed; };
    // The end record makes one more: a design of kMaxDesignRecords records in all reads.
    EXPECT_EQ(decodeDesignFile("most.exp", expStitches(kMaxDesignRecords - 1), count).figures.records, kMaxDesignRecords);
    handed = 0;
    const std::string reason = refusal("over.exp", expStitches(kMaxDesignRecords));
    EXPECT_NE(reason.find("more than " + std::to_string(kMaxDesignRecords) + " records"), std::string::npos) << reason;
}

}  // namespace
}  // namespace tessaline
