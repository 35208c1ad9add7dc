#include "design/DesignSeal.h"

#include "design/WorkStore.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

const std::vector<DesignRecord> kLoaded = {
    {RecordKind::Jump, 0, 0}, {RecordKind::Stitch, 1.5, -2.25}, {RecordKind::ColourChange, 3, 4}};

DesignSeal sealOf(const std::vector<DesignRecord>& records) {
    DesignSeal seal;
    for (const DesignRecord& r : records) seal.add(r);
    return seal;
}

class DesignSealTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<WorkStore>(dir_ / WorkStore::kFileName);
        store_->open();
    }

    void storeDesign(const std::vector<DesignRecord>& records) {
        store_->replaceDesign([&](const RecordSink& sink) {
            for (const DesignRecord& r : records) sink(r);
        });
    }

    tessaline::test::TempFolder temp_{"tessaline-seal"};
    fs::path dir_ = temp_.path();
    std::unique_ptr<WorkStore> store_;
};

TEST_F(DesignSealTest, TheLoadedDesignPassesWhole) {
    storeDesign(kLoaded);
    std::vector<DesignRecord> seen;
    forEachSealedRecord(*store_, sealOf(kLoaded), [&](const DesignRecord& r) { seen.push_back(r); });
    ASSERT_EQ(seen.size(), kLoaded.size());
    EXPECT_EQ(seen[1].x, 1.5);
    EXPECT_EQ(seen[1].y, -2.25);
}

// Whatever replaced the design in the store, the window's walk refuses it.
TEST_F(DesignSealTest, AnyOtherContentIsRefused) {
    auto moved = kLoaded;
    moved[1].x = 1.5000000001;
    auto rekinded = kLoaded;
    rekinded[0].kind = RecordKind::Stitch;
    auto longer = kLoaded;
    longer.push_back({RecordKind::Stitch, 9, 9});
    const std::vector<std::vector<DesignRecord>> others = {
        {}, {kLoaded[0], kLoaded[1]}, moved, rekinded, longer, {kLoaded[2], kLoaded[1], kLoaded[0]}};
    for (std::size_t i = 0; i < others.size(); ++i) {
        SCOPED_TRACE(i);
        storeDesign(others[i]);
        std::size_t visited = 0;
        EXPECT_THROW(forEachSealedRecord(*store_, sealOf(kLoaded), [&](const DesignRecord&) { ++visited; }), StoreError);
        // A longer design is stopped as soon as it passes the sealed count.
        EXPECT_LE(visited, kLoaded.size());
    }
}

TEST_F(DesignSealTest, ARemovedStoreIsAStoreError) {
    storeDesign(kLoaded);
    fs::remove(dir_ / WorkStore::kFileName);
    EXPECT_THROW(forEachSealedRecord(*store_, sealOf(kLoaded), [](const DesignRecord&) {}), StoreError);
}

}  // namespace
}  // namespace tessaline
