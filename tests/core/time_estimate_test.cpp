#include "preview/model/TimeEstimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tessaline {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool readsAsNumberText(const std::string& text) {
    return text.find("inf") == std::string::npos && text.find("nan") == std::string::npos;
}

TEST(ColourBlockTexts, ShareBarAndTimeOfABlock) {
    const ColourBlockStats block = colourBlockStats(3, 250, 1000, 100);
    EXPECT_EQ(block.colour, 3);
    EXPECT_EQ(block.stitches, 250);
    EXPECT_DOUBLE_EQ(block.sharePercent, 25);
    ASSERT_TRUE(block.minutes.has_value());
    EXPECT_DOUBLE_EQ(*block.minutes, 2.5);
    EXPECT_DOUBLE_EQ(barHeightTwips(block), 225);
    EXPECT_EQ(barTooltip(block), "%Color: 25.00 Estimated Time: 2.50");
    EXPECT_EQ(statisticsLine(block),
              "Color: 3   Stitches Count:250    Percent: 25.00 %   Est.Time: 2.50 Min.");
}

TEST(ColourBlockTexts, BlockHoldingEveryStitchHangsNineHundredTwips) {
    EXPECT_DOUBLE_EQ(barHeightTwips(colourBlockStats(1, 4321, 4321, 400)), 900);
}

TEST(ColourBlockTexts, FixedTwoDecimalsRoundHalvesAwayFromZero) {
    // 1 of 8 is 12.5 %, 1 of 800 is 0.125 %: the third decimal is a half and rounds up.
    EXPECT_EQ(barTooltip(colourBlockStats(1, 1, 800, 8)), "%Color: 0.13 Estimated Time: 0.13");
    // 2 of 3 is 66.666...: rounds to 66.67, minutes 1/3 to 0.33.
    EXPECT_EQ(barTooltip(colourBlockStats(1, 2, 3, 6)), "%Color: 66.67 Estimated Time: 0.33");
}

TEST(ColourBlockTexts, ColourChangeBeforeAnyStitchGivesAnEmptyBlock) {
    const ColourBlockStats block = colourBlockStats(1, 0, 500, 100);
    EXPECT_DOUBLE_EQ(barHeightTwips(block), 0);
    EXPECT_EQ(statisticsLine(block), "Color: 1   Stitches Count:0    Percent: 0.00 %   Est.Time: 0.00 Min.");
}

TEST(ColourBlockTexts, UnusableTotalStitchesGiveZeroShares) {
    for (double total : {0.0, -10.0, kNaN, kInf}) {
        SCOPED_TRACE(total);
        const ColourBlockStats block = colourBlockStats(2, 40, total, 100);
        EXPECT_DOUBLE_EQ(block.sharePercent, 0);
        EXPECT_DOUBLE_EQ(barHeightTwips(block), 0);
        EXPECT_EQ(barTooltip(block), "%Color: 0.00 Estimated Time: 0.40");
    }
}

TEST(ColourBlockTexts, UnusableSpeedShowsDashesForTimes) {
    for (double speed : {0.0, -100.0, kNaN, kInf}) {
        SCOPED_TRACE(speed);
        const ColourBlockStats block = colourBlockStats(2, 40, 80, speed);
        EXPECT_FALSE(block.minutes.has_value());
        EXPECT_EQ(barTooltip(block), "%Color: 50.00 Estimated Time: --");
        EXPECT_EQ(statisticsLine(block), "Color: 2   Stitches Count:40    Percent: 50.00 %   Est.Time: -- Min.");
    }
}

TEST(TotalEstimate, WorkedExamples) {
    const MachineTimes machine{400, 10, 10};
    EXPECT_EQ(totalEstimateCaption({12000, 5}, machine), "Total Estimated Time: 1.50Hr");
    EXPECT_EQ(totalEstimateCaption({3000, 1}, machine), "Total Estimated Time: 28Minutes");
    ASSERT_TRUE(totalMinutes({3000, 1}, machine).has_value());
    EXPECT_DOUBLE_EQ(*totalMinutes({3000, 1}, machine), 27.5);
    EXPECT_DOUBLE_EQ(*totalMinutes({12000, 5}, machine), 90);
}

TEST(TotalEstimate, WholeMinutesRoundHalvesToEvenAfterTwoDecimals) {
    // Hoop minutes make up the whole total here: S = 0 and K = 0.
    auto caption = [](double minutes) { return totalEstimateCaption({0, 0}, MachineTimes{100, 10, minutes}); };
    EXPECT_EQ(caption(59.5), "Total Estimated Time: 1.00Hr");     // M = 60
    EXPECT_EQ(caption(60.5), "Total Estimated Time: 1.00Hr");     // M = 60
    EXPECT_EQ(caption(58.5), "Total Estimated Time: 58Minutes");  // M = 58
    EXPECT_EQ(caption(59.4), "Total Estimated Time: 59Minutes");
    EXPECT_EQ(caption(59.499), "Total Estimated Time: 1.00Hr");   // "59.50" first, then 60
    EXPECT_EQ(caption(61.5), "Total Estimated Time: 1.03Hr");     // M = 62
    EXPECT_EQ(caption(0), "Total Estimated Time: 0Minutes");
}

TEST(TotalEstimate, TotalIsUnroundedSum) {
    const auto total = totalMinutes({1234, 3}, MachineTimes{200, 2.5, 7});
    ASSERT_TRUE(total.has_value());
    EXPECT_DOUBLE_EQ(*total, 6.17 + 7.5 + 7);
}

TEST(TotalEstimate, UnusableSpeedReadsDashes) {
    for (double speed : {0.0, -400.0, kNaN, kInf}) {
        SCOPED_TRACE(speed);
        EXPECT_FALSE(totalMinutes({12000, 5}, MachineTimes{speed, 10, 10}).has_value());
        EXPECT_EQ(totalEstimateCaption({12000, 5}, MachineTimes{speed, 10, 10}), "Total Estimated Time: --");
    }
}

TEST(TotalEstimate, UnusableCountsCountAsNone) {
    const MachineTimes machine{400, 10, 10};
    for (double bad : {0.0, -5.0, kNaN, kInf}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(totalEstimateCaption({bad, 1}, machine), "Total Estimated Time: 20Minutes");
        EXPECT_EQ(totalEstimateCaption({4000, bad}, machine), "Total Estimated Time: 20Minutes");
    }
}

TEST(TotalEstimate, NonFiniteChangeOrHoopTimesReadDashes) {
    for (double bad : {kNaN, kInf, -kInf}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(totalEstimateCaption({400, 1}, MachineTimes{400, bad, 10}), "Total Estimated Time: --");
        EXPECT_EQ(totalEstimateCaption({400, 1}, MachineTimes{400, 10, bad}), "Total Estimated Time: --");
    }
}

TEST(TotalEstimate, TotalsBeyondSixteenBitsStayExact) {
    // 40000 minutes no longer fits a 16-bit whole number: 40000 / 60 = 666.666...
    EXPECT_EQ(totalEstimateCaption({0, 0}, MachineTimes{100, 10, 40000}), "Total Estimated Time: 666.67Hr");
    // A huge typed value still gives digits, never "inf".
    const std::string caption = totalEstimateCaption({0, 0}, MachineTimes{100, 10, 1e300});
    EXPECT_TRUE(readsAsNumberText(caption)) << caption;
    EXPECT_EQ(caption.substr(0, 23), "Total Estimated Time: 1");
    EXPECT_EQ(caption.substr(caption.size() - 2), "Hr");
}

TEST(TotalEstimate, NegativeTotalsStayInMinutes) {
    EXPECT_EQ(totalEstimateCaption({0, 0}, MachineTimes{100, 10, -90}), "Total Estimated Time: -90Minutes");
}

}  // namespace
}  // namespace tessaline
