// Choosing where a run resumes: the stitch nearest a preview point, and the move each way names.

#include "session/ResumePick.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaline {
namespace {

const std::vector<DesignRecord> kRecords = {
    {RecordKind::Jump, 0, 0},      {RecordKind::Stitch, 10, 0},  {RecordKind::Stitch, 10, 10},
    {RecordKind::ColourChange, 10, 10}, {RecordKind::Jump, -5, 4}, {RecordKind::Stitch, -6, 4},
    {RecordKind::Stitch, 10, 10}};

std::optional<PickedStitch> pick(double x, double y, bool invertX = false, bool invertY = false) {
    return nearestStitch([](const RecordSink& sink) { for (const DesignRecord& r : kRecords) sink(r); }, x, y, invertX,
                         invertY);
}

TEST(NearestStitch, CountsJumpsAsMovesButPicksOnlyStitches) {
    const struct {
        double x, y;
        bool invertX, invertY;
        std::uint64_t move;
        double px, py;
    } cases[] = {
        {9, 1, false, false, 2, 10, 0},
        {3, -0.5, false, false, 2, 10, 0},   // the jump at the origin is nearer, but no stitch
        {-5, 4, false, false, 5, -6, 4},      // nor the jump at (-5, 4): the stitch beside it
        {10, 10, false, false, 3, 10, 10},    // two stitches there: the first
        {6, 4, true, false, 5, 6, 4},           // drawing units carry the inverts
        {10, -9, false, true, 3, 10, -10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        const auto picked = pick(c.x, c.y, c.invertX, c.invertY);
        ASSERT_TRUE(picked.has_value());
        EXPECT_EQ(picked->move, c.move);
        EXPECT_EQ(picked->x, c.px);
        EXPECT_EQ(picked->y, c.py);
    }
    EXPECT_FALSE(nearestStitch([](const RecordSink& sink) { sink({RecordKind::Jump, 1, 1}); }, 1, 1, false, false));
}

TEST(ResumeMove, EachWayNamesAMoveWithinTheDesign) {
    ResumeOffer offer;
    offer.moves = 50;
    offer.lastConfirmed = 20;
    offer.picked = 7;
    const struct {
        ResumeWay way;
        std::uint64_t back;
        std::optional<std::uint64_t> move;
    } cases[] = {
        {ResumeWay::Back, 3, 18},  // moves 18, 19 and 20 are sewn again
        {ResumeWay::Back, 1, 20},
        {ResumeWay::Back, 20, 1},
        {ResumeWay::Back, 25, 1},
        {ResumeWay::Back, 0, 21},  // none again: the move after the last confirmed
        {ResumeWay::Picked, 3, 7},
        {ResumeWay::Caret, 3, std::nullopt},  // no caret move offered
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way) * 100 + static_cast<int>(c.back));
        EXPECT_EQ(resumeMoveOf(offer, {c.way, c.back, 0}), c.move);
    }
    offer.lastConfirmed = 50;
    EXPECT_EQ(resumeMoveOf(offer, {ResumeWay::Back, 0, 0}), 50u) << "never past the last move";
    offer.lastConfirmed = 0;
    EXPECT_EQ(resumeMoveOf(offer, {ResumeWay::Back, 3, 0}), 1u);
    offer.caret = 0;
    EXPECT_EQ(resumeMoveOf(offer, {ResumeWay::Caret, 3, 0}), std::nullopt);
    offer.moves = 0;
    EXPECT_EQ(resumeMoveOf(offer, {ResumeWay::Back, 3, 0}), std::nullopt);
}

}  // namespace
}  // namespace tessaline
