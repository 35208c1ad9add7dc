#include "design/WorkStore.h"

#include "design/DstDecoder.h"

#include "DstTestEncoder.h"
#include "TempFolder.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using Cell = WorkStore::Cell;

class WorkStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = dir_ / WorkStore::kFileName;
    }

    // A store that gives up quickly on a lock, so that the busy cases stay short.
    WorkStore quickStore() const { return WorkStore(file_, std::chrono::milliseconds(200)); }

    static void store(WorkStore& store, const std::vector<DesignRecord>& records) {
        store.replaceDesign([&](const RecordSink& sink) {
            for (const DesignRecord& r : records) sink(r);
        });
    }

    static std::vector<DesignRecord> readAll(const WorkStore& store) {
        std::vector<DesignRecord> out;
        store.forEachRecord([&](const DesignRecord& r) { out.push_back(r); });
        return out;
    }

    tessaline::test::TempFolder temp_{"tessaline-store"};
    fs::path dir_ = temp_.path();
    fs::path file_;
};

const std::vector<DesignRecord> kDesign = {
    {RecordKind::Jump, 0, 0},
    {RecordKind::Stitch, 1.5, -2.25},
    {RecordKind::ColourChange, 12.3, 4},
    {RecordKind::Stitch, -0.1, 1e6},
};

TEST_F(WorkStoreTest, OpenCreatesTheFileWithBothTables) {
    WorkStore store(file_);
    EXPECT_FALSE(store.open().has_value());
    ASSERT_TRUE(fs::exists(file_));
    SQLite::Database db(file_);
    EXPECT_TRUE(db.tableExists("GcodeFinal"));
    EXPECT_TRUE(db.tableExists("Gcode1"));
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM pragma_table_info('GcodeFinal')").getInt(), 8);
    EXPECT_EQ(db.execAndGet("PRAGMA journal_mode").getString(), "wal");
    EXPECT_EQ(store.recordCount(), 0u);
}

TEST_F(WorkStoreTest, OpenKeepsAnExistingDesign) {
    WorkStore first(file_);
    first.open();
    store(first, kDesign);
    WorkStore second(file_);
    EXPECT_FALSE(second.open().has_value());
    EXPECT_EQ(second.recordCount(), kDesign.size());
}

TEST_F(WorkStoreTest, RowsHoldTextDoublesAndNullsByOrdinal) {
    WorkStore s(file_);
    s.open();
    store(s, kDesign);
    const auto rows = s.rows();
    ASSERT_EQ(rows.size(), 4u);

    const auto text = [](const Cell& c) { return std::get<std::string>(c); };
    const auto number = [](const Cell& c) { return std::get<double>(c); };
    const auto isNull = [](const Cell& c) { return std::holds_alternative<std::monostate>(c); };

    // Jump: "J", "G00", x, y, "" (empty text, not Null).
    EXPECT_EQ(text(rows[0][0]), "J");
    EXPECT_EQ(text(rows[0][1]), "G00");
    EXPECT_EQ(number(rows[0][2]), 0.0);
    EXPECT_EQ(number(rows[0][3]), 0.0);
    EXPECT_EQ(text(rows[0][4]), "");
    // Stitch: "N", "G01", x, y, "A359".
    EXPECT_EQ(text(rows[1][0]), "N");
    EXPECT_EQ(text(rows[1][1]), "G01");
    EXPECT_EQ(number(rows[1][2]), 1.5);
    EXPECT_EQ(number(rows[1][3]), -2.25);
    EXPECT_EQ(text(rows[1][4]), "A359");
    // Colour change: motion word Null, marker "".
    EXPECT_EQ(text(rows[2][0]), "C");
    EXPECT_TRUE(isNull(rows[2][1]));
    EXPECT_EQ(number(rows[2][2]), 12.3);
    EXPECT_EQ(number(rows[2][3]), 4.0);
    EXPECT_EQ(text(rows[2][4]), "");
    // Whole-number doubles and large values come back as doubles, exactly.
    EXPECT_EQ(number(rows[3][2]), -0.1);
    EXPECT_EQ(number(rows[3][3]), 1e6);
    for (const auto& row : rows) {
        for (std::size_t i = 5; i < 8; ++i) EXPECT_TRUE(isNull(row[i])) << "ordinal " << i;
    }
}

TEST_F(WorkStoreTest, LargeDesignComesBackInInsertionOrder) {
    WorkStore s(file_);
    s.open();
    const RecordKind kinds[] = {RecordKind::Stitch, RecordKind::Jump, RecordKind::Stitch, RecordKind::ColourChange};
    std::vector<DesignRecord> design;
    for (int i = 0; i < 5003; ++i) {
        // Positions that would sort differently from insertion order.
        design.push_back({kinds[i % 4], (i * 7919 % 1000) / 10.0, -i / 10.0});
    }
    store(s, design);
    EXPECT_EQ(s.recordCount(), design.size());

    const auto back = readAll(s);
    ASSERT_EQ(back.size(), design.size());
    for (std::size_t i = 0; i < design.size(); ++i) {
        ASSERT_EQ(back[i].kind, design[i].kind) << i;
        ASSERT_EQ(back[i].x, design[i].x) << i;
        ASSERT_EQ(back[i].y, design[i].y) << i;
    }

    // Every row's cells follow its kind, wherever it falls among the rows.
    const auto rows = s.rows();
    ASSERT_EQ(rows.size(), design.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        switch (design[i].kind) {
            case RecordKind::Stitch:
                ASSERT_EQ(std::get<std::string>(row[0]), "N") << i;
                ASSERT_EQ(std::get<std::string>(row[1]), "G01") << i;
                ASSERT_EQ(std::get<std::string>(row[4]), "A359") << i;
                break;
            case RecordKind::Jump:
                ASSERT_EQ(std::get<std::string>(row[0]), "J") << i;
                ASSERT_EQ(std::get<std::string>(row[1]), "G00") << i;
                ASSERT_EQ(std::get<std::string>(row[4]), "") << i;
                break;
            default:
                ASSERT_EQ(std::get<std::string>(row[0]), "C") << i;
                ASSERT_TRUE(std::holds_alternative<std::monostate>(row[1])) << i;
                ASSERT_EQ(std::get<std::string>(row[4]), "") << i;
                break;
        }
        ASSERT_EQ(std::get<double>(row[2]), design[i].x) << i;
        ASSERT_EQ(std::get<double>(row[3]), design[i].y) << i;
        for (std::size_t k = 5; k < 8; ++k) ASSERT_TRUE(std::holds_alternative<std::monostate>(row[k])) << i;
    }
}

TEST_F(WorkStoreTest, SecondLoadReplacesTheFirst) {
    WorkStore s(file_);
    s.open();
    store(s, kDesign);
    store(s, {{RecordKind::Stitch, 7, 8}});
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].x, 7.0);
    EXPECT_EQ(back[0].y, 8.0);

    store(s, {});
    EXPECT_EQ(s.recordCount(), 0u);
    EXPECT_TRUE(readAll(s).empty());
}

TEST_F(WorkStoreTest, DecodedDesignStoresEveryRecord) {
    test::DstTestEncoder dst;
    dst.jump(10, 10).stitch(5, 0).colourChange().stitch(0, 5).end();
    WorkStore s(file_);
    s.open();
    std::vector<DesignRecord> decoded;
    s.replaceDesign([&](const RecordSink& sink) {
        decodeDst(dst.bytes(), [&](const DesignRecord& r) {
            decoded.push_back(r);
            sink(r);
        });
    });
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), decoded.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].kind, decoded[i].kind);
        EXPECT_EQ(back[i].x, decoded[i].x);
        EXPECT_EQ(back[i].y, decoded[i].y);
    }
}

TEST_F(WorkStoreTest, ThrowingProducerLeavesThePreviousDesign) {
    WorkStore s(file_);
    s.open();
    store(s, kDesign);
    // Enough rows that some have reached the table before the failure.
    EXPECT_THROW(s.replaceDesign([](const RecordSink& sink) {
        for (int i = 0; i < 1000; ++i) sink({RecordKind::Stitch, 99, 99});
        throw std::runtime_error("file vanished halfway");
    }),
                 std::runtime_error);
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), kDesign.size());
    EXPECT_EQ(back[1].x, 1.5);
    // The store stays usable afterwards.
    store(s, {{RecordKind::Jump, 1, 1}});
    EXPECT_EQ(s.recordCount(), 1u);
}

TEST_F(WorkStoreTest, ReadingMapsUnknownKindsNullsAndText) {
    WorkStore s(file_);
    s.open();
    {
        SQLite::Database db(file_, SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO GcodeFinal VALUES ('N', 'G01', 2.5, -1, 'A359', NULL, NULL, NULL)");
        db.exec("INSERT INTO GcodeFinal VALUES ('X', NULL, NULL, 3, NULL, NULL, NULL, NULL)");
        db.exec("INSERT INTO GcodeFinal VALUES ('JJ', NULL, ' 1 2.5 mm', NULL, NULL, NULL, NULL, NULL)");
        db.exec("INSERT INTO GcodeFinal VALUES (NULL, NULL, 'abc', 7, NULL, NULL, NULL, NULL)");
        db.exec("INSERT INTO GcodeFinal VALUES ('C', NULL, 4, 5, '', NULL, NULL, NULL)");
    }
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0].kind, RecordKind::Stitch);
    EXPECT_EQ(back[1].kind, RecordKind::Other);
    EXPECT_EQ(back[1].x, 2.5);  // Null keeps the previous value
    EXPECT_EQ(back[1].y, 3.0);
    EXPECT_EQ(back[2].kind, RecordKind::Other);
    EXPECT_EQ(back[2].x, 12.5);  // blanks ignored, reading stops at "m"
    EXPECT_EQ(back[2].y, 3.0);
    EXPECT_EQ(back[3].kind, RecordKind::Other);
    EXPECT_EQ(back[3].x, 0.0);  // text without a number
    EXPECT_EQ(back[4].kind, RecordKind::ColourChange);
    EXPECT_EQ(back[4].x, 4.0);  // a whole number stored as integer reads as a number
}

TEST_F(WorkStoreTest, TrimIsStoredAsItsOwnKind) {
    WorkStore s(file_);
    s.open();
    store(s, {{RecordKind::Stitch, 1, 2}, {RecordKind::Trim, 3, 4}, {RecordKind::Jump, 5, 6}});
    const auto rows = s.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::get<std::string>(rows[1][0]), "T");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(rows[1][1]));  // no motion word
    EXPECT_EQ(std::get<std::string>(rows[1][4]), "");
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].kind, RecordKind::Trim);
    EXPECT_EQ(back[1].x, 3.0);
    EXPECT_EQ(back[1].y, 4.0);
}

TEST_F(WorkStoreTest, RecordOfNoKnownKindStaysUnknown) {
    WorkStore s(file_);
    s.open();
    store(s, {{RecordKind::Other, 1, 2}, {RecordKind::Stitch, 3, 4}});
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].kind, RecordKind::Other);
    EXPECT_EQ(back[0].x, 1.0);
    EXPECT_EQ(back[1].kind, RecordKind::Stitch);
}

TEST_F(WorkStoreTest, ColumnsAreReadByOrdinalWhateverTheirNames) {
    {
        SQLite::Database db(file_, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE GcodeFinal (y, x, kind, a, b, c, d, e)");
        db.exec("INSERT INTO GcodeFinal VALUES ('J', 'G00', 1.5, 2.5, '', NULL, NULL, NULL)");
    }
    WorkStore s(file_);
    EXPECT_FALSE(s.open().has_value());
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].kind, RecordKind::Jump);
    EXPECT_EQ(back[0].x, 1.5);
    EXPECT_EQ(back[0].y, 2.5);
    store(s, kDesign);
    EXPECT_EQ(std::get<std::string>(s.rows()[1][4]), "A359");
}

TEST_F(WorkStoreTest, FirstRowWithNullPositionReadsZero) {
    WorkStore s(file_);
    s.open();
    {
        SQLite::Database db(file_, SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO GcodeFinal VALUES ('N', NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    }
    const auto back = readAll(s);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].x, 0.0);
    EXPECT_EQ(back[0].y, 0.0);
}

TEST_F(WorkStoreTest, CursorWalksTheSameRowsAsForEach) {
    WorkStore s(file_);
    s.open();
    store(s, kDesign);
    RecordCursor cursor = s.cursor();
    std::vector<DesignRecord> walked;
    DesignRecord r;
    while (cursor.next(r)) walked.push_back(r);
    EXPECT_FALSE(cursor.next(r));  // stays at the end
    const auto all = readAll(s);
    ASSERT_EQ(walked.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(walked[i].kind, all[i].kind);
        EXPECT_EQ(walked[i].x, all[i].x);
        EXPECT_EQ(walked[i].y, all[i].y);
    }

    // A cursor moved elsewhere carries on where it was.
    RecordCursor a = s.cursor();
    ASSERT_TRUE(a.next(r));
    RecordCursor b = std::move(a);
    ASSERT_TRUE(b.next(r));
    EXPECT_EQ(r.x, kDesign[1].x);
}

TEST_F(WorkStoreTest, CursorKeepsItsDesignWhileANewOneIsStored) {
    WorkStore s(file_);
    s.open();
    std::vector<DesignRecord> oldDesign;
    for (int i = 0; i < 3000; ++i) oldDesign.push_back({RecordKind::Stitch, i / 10.0, 0});
    store(s, oldDesign);

    RecordCursor cursor = s.cursor();
    DesignRecord r;
    ASSERT_TRUE(cursor.next(r));
    ASSERT_TRUE(cursor.next(r));

    // Another store on the same file replaces the design while the walk is under way.
    WorkStore other = quickStore();
    store(other, {{RecordKind::Jump, -5, -5}});
    ASSERT_EQ(other.recordCount(), 1u);

    std::size_t walked = 2;
    double lastX = r.x;
    while (cursor.next(r)) {
        ++walked;
        lastX = r.x;
    }
    EXPECT_EQ(walked, oldDesign.size());
    EXPECT_EQ(lastX, oldDesign.back().x);

    // A new walk sees the new design.
    RecordCursor fresh = s.cursor();
    ASSERT_TRUE(fresh.next(r));
    EXPECT_EQ(r.kind, RecordKind::Jump);
    EXPECT_FALSE(fresh.next(r));
}

TEST_F(WorkStoreTest, DamagedFileIsMovedAsideAndReplaced) {
    const std::string garbage(4096, '\x5A');
    std::ofstream(file_, std::ios::binary) << "this is no database" << garbage;
    WorkStore s(file_);
    const auto recovery = s.open();
    ASSERT_TRUE(recovery.has_value());
    EXPECT_EQ(recovery->file, file_);
    EXPECT_EQ(recovery->damagedFile.parent_path(), dir_);
    const std::string name = recovery->damagedFile.filename().string();
    // Gcode.mdb.damaged-YYYYMMDD-HHMMSS
    ASSERT_EQ(name.size(), std::string("Gcode.mdb.damaged-").size() + 15) << name;
    EXPECT_EQ(name.rfind("Gcode.mdb.damaged-", 0), 0u) << name;
    EXPECT_EQ(name[name.size() - 7], '-') << name;

    // The damaged bytes are kept; the fresh store works.
    std::ifstream kept(recovery->damagedFile, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content.rfind("this is no database", 0), 0u);
    store(s, kDesign);
    EXPECT_EQ(s.recordCount(), kDesign.size());
    EXPECT_FALSE(WorkStore(file_).open().has_value());
}

TEST_F(WorkStoreTest, TwoRecoveriesKeepBothDamagedFiles) {
    for (int i = 0; i < 2; ++i) {
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << "garbage garbage garbage garbage garbage";
        ASSERT_TRUE(WorkStore(file_).open().has_value());
    }
    int damaged = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        const bool log = name.ends_with("-wal") || name.ends_with("-shm");
        if (name.find(".damaged-") != std::string::npos && !log) {
            ++damaged;
        }
    }
    EXPECT_EQ(damaged, 2);
}

TEST_F(WorkStoreTest, DesignTableWithoutItsColumnsCountsAsDamaged) {
    {
        SQLite::Database db(file_, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE GcodeFinal (a, b)");
    }
    WorkStore s(file_);
    EXPECT_TRUE(s.open().has_value());
    store(s, kDesign);
    EXPECT_EQ(s.rows().size(), kDesign.size());
}

TEST_F(WorkStoreTest, UnwritableLocationNamesPathAndReason) {
    const fs::path blocker = dir_ / "not-a-folder";
    std::ofstream(blocker) << "a plain file";
    const fs::path file = blocker / WorkStore::kFileName;
    WorkStore s(file);
    try {
        s.open();
        FAIL() << "opened a store under a plain file";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.path(), file);
        EXPECT_EQ(e.reason(), "Not a directory");
        EXPECT_EQ(std::string(e.what()), file.string() + ": Not a directory");
    }
}

TEST_F(WorkStoreTest, OperationsOnAMissingStoreThrowStoreError) {
    WorkStore s(dir_ / "nowhere" / WorkStore::kFileName);
    EXPECT_THROW(s.recordCount(), StoreError);
    EXPECT_THROW(s.rows(), StoreError);
    EXPECT_THROW(s.cursor(), StoreError);
    EXPECT_THROW(readAll(s), StoreError);
    EXPECT_THROW(store(s, kDesign), StoreError);
}

TEST_F(WorkStoreTest, StoreHeldByAnotherWriterIsInUse) {
    WorkStore s = quickStore();
    s.open();
    store(s, kDesign);

    SQLite::Database holder(file_, SQLite::OPEN_READWRITE);
    holder.exec("BEGIN IMMEDIATE");
    holder.exec("DELETE FROM GcodeFinal");
    try {
        store(s, {{RecordKind::Stitch, 1, 1}});
        FAIL() << "stored a design while another writer held the store";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.path(), file_);
        EXPECT_NE(e.reason().find("in use"), std::string::npos) << e.reason();
    }
    // Readers still see the last committed design.
    EXPECT_EQ(s.recordCount(), kDesign.size());
    holder.exec("ROLLBACK");
    store(s, {{RecordKind::Stitch, 1, 1}});
    EXPECT_EQ(s.recordCount(), 1u);
}

TEST_F(WorkStoreTest, StoreLockedExclusivelyIsInUseWhenOpened) {
    {
        SQLite::Database db(file_, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA journal_mode=DELETE");
        db.exec("CREATE TABLE GcodeFinal (a, b, c, d, e, f, g, h)");
    }
    SQLite::Database holder(file_, SQLite::OPEN_READWRITE);
    holder.exec("BEGIN EXCLUSIVE");
    WorkStore s = quickStore();
    try {
        s.open();
        FAIL() << "opened a store locked by another program";
    } catch (const StoreError& e) {
        EXPECT_NE(e.reason().find("in use"), std::string::npos) << e.reason();
    }
    holder.exec("ROLLBACK");
    EXPECT_FALSE(s.open().has_value());
}

}  // namespace
}  // namespace tessaline
