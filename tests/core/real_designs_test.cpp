// Real designs from public projects, checked against an independent reader's decode of them.

#include "design/DesignFile.h"
#include "design/DstDecoder.h"

#include "common/NumberFormat.h"

#include "ReferenceCsv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

struct ReferenceRow {
    std::string command;  // STITCH, JUMP, COLOR_CHANGE or END
    long long x = 0;      // DST units after the record's move, y pointing down
    long long y = 0;
};

struct RealDesign {
    fs::path file;
    std::vector<ReferenceRow> reference;  // one row per record up to the end record
};

std::vector<ReferenceRow> readReference(const fs::path& csv) {
    std::vector<ReferenceRow> rows;
    for (const auto& fields : test::readCsvRows(csv)) {
        if (fields.size() != 4) throw std::runtime_error(csv.string() + ": bad row");
        rows.push_back({fields[1], static_cast<long long>(parseLenient(fields[2])),
                        static_cast<long long>(parseLenient(fields[3]))});
    }
    return rows;
}

std::vector<RealDesign> realDesigns() {
    std::vector<RealDesign> designs;
    const fs::path dir = TESSALINE_REAL_DST_DIR;
    if (!fs::is_directory(dir)) return designs;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".dst") continue;
        fs::path csv = entry.path();
        csv.replace_extension(".ref.csv");
        if (!fs::exists(csv)) continue;
        designs.push_back({entry.path(), readReference(csv)});
    }
    std::sort(designs.begin(), designs.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return designs;
}

RecordKind kindOf(const std::string& command) {
    if (command == "STITCH") return RecordKind::Stitch;
    if (command == "JUMP") return RecordKind::Jump;
    if (command == "COLOR_CHANGE" || command == "END") return RecordKind::ColourChange;
    return RecordKind::Other;
}

class RealDesigns : public ::testing::Test {
protected:
    void SetUp() override {
        designs_ = realDesigns();
        if (designs_.empty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_DST_DIR;
    }
    std::vector<RealDesign> designs_;
};

TEST_F(RealDesigns, RecordsMatchTheReferenceUpToTheEndRecord) {
    for (const RealDesign& design : designs_) {
        SCOPED_TRACE(design.file.filename().string());
        ASSERT_FALSE(design.reference.empty());
        ASSERT_EQ(design.reference.back().command, "END");

        std::vector<DesignRecord> records;
        const DesignFigures figures =
            decodeDst(readDesignFile(design.file), [&](const DesignRecord& r) { records.push_back(r); });

        ASSERT_GE(figures.records, design.reference.size());
        ASSERT_GE(records.size(), design.reference.size());
        for (std::size_t i = 0; i < design.reference.size(); ++i) {
            const ReferenceRow* before = i == 0 ? nullptr : &design.reference[i - 1];
            const double x = before ? static_cast<double>(before->x) / 10.0 : 0.0;
            const double y = before ? static_cast<double>(before->y) / 10.0 : 0.0;
            ASSERT_EQ(records[i].kind, kindOf(design.reference[i].command)) << "record " << i;
            ASSERT_EQ(records[i].x, x) << "record " << i;
            ASSERT_EQ(records[i].y, y) << "record " << i;
        }
    }
}

TEST_F(RealDesigns, FiguresMatchTheReferenceWhenNothingFollowsTheEnd) {
    int checked = 0;
    for (const RealDesign& design : designs_) {
        SCOPED_TRACE(design.file.filename().string());
        const DesignFigures figures = decodeDst(readDesignFile(design.file), {});
        if (figures.records != design.reference.size()) continue;  // stray records after the end
        ++checked;

        const auto& ref = design.reference;
        const auto jumps = std::count_if(ref.begin(), ref.end(), [](const auto& r) { return r.command == "JUMP"; });
        const auto changes =
            std::count_if(ref.begin(), ref.end(), [](const auto& r) { return r.command == "COLOR_CHANGE"; });
        const auto [minX, maxX] =
            std::minmax_element(ref.begin(), ref.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
        const auto [minY, maxY] =
            std::minmax_element(ref.begin(), ref.end(), [](const auto& a, const auto& b) { return a.y < b.y; });

        EXPECT_EQ(figures.jumps, static_cast<std::uint64_t>(jumps));
        EXPECT_EQ(figures.colours, static_cast<std::uint64_t>(changes) + 1);
        EXPECT_EQ(figures.minX, static_cast<double>(minX->x) / 10.0);
        EXPECT_EQ(figures.maxX, static_cast<double>(maxX->x) / 10.0);
        EXPECT_EQ(figures.minY, static_cast<double>(minY->y) / 10.0);
        EXPECT_EQ(figures.maxY, static_cast<double>(maxY->y) / 10.0);
        EXPECT_EQ(figures.width, static_cast<double>(maxX->x - minX->x) / 10.0);
        EXPECT_EQ(figures.height, static_cast<double>(maxY->y - minY->y) / 10.0);
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace tessaline
