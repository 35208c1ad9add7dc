#include "preview/model/UserScale.h"

#include <gtest/gtest.h>

#include <limits>

namespace tessaline {
namespace {

constexpr double kSide = kCanvasPixels;

TEST(UserScale, ScaleOneFillsTheCanvasWithTheDesignBox) {
    const UserScale s = userScale(120, 80, 1);
    EXPECT_DOUBLE_EQ(s.left, -60);
    EXPECT_DOUBLE_EQ(s.top, -40);
    EXPECT_DOUBLE_EQ(s.width, 120);
    EXPECT_DOUBLE_EQ(s.height, 80);
    const CanvasPoint topLeft = s.toPixels({-60, -40}, kSide, kSide);
    const CanvasPoint bottomRight = s.toPixels({60, 40}, kSide, kSide);
    EXPECT_DOUBLE_EQ(topLeft.x, 0);
    EXPECT_DOUBLE_EQ(topLeft.y, 0);
    EXPECT_DOUBLE_EQ(bottomRight.x, kSide);
    EXPECT_DOUBLE_EQ(bottomRight.y, kSide);
}

TEST(UserScale, ScaleFourPutsTheDesignBoxInTheCentralQuarter) {
    const UserScale s = userScale(120, 80, 4);
    EXPECT_DOUBLE_EQ(s.left, -240);
    EXPECT_DOUBLE_EQ(s.top, -160);
    EXPECT_DOUBLE_EQ(s.width, 480);
    EXPECT_DOUBLE_EQ(s.height, 320);
    const CanvasPoint topLeft = s.toPixels({-60, -40}, 400, 400);
    const CanvasPoint bottomRight = s.toPixels({60, 40}, 400, 400);
    EXPECT_DOUBLE_EQ(topLeft.x, 150);
    EXPECT_DOUBLE_EQ(topLeft.y, 150);
    EXPECT_DOUBLE_EQ(bottomRight.x, 250);
    EXPECT_DOUBLE_EQ(bottomRight.y, 250);
}

TEST(UserScale, OriginAtTheCentreYDownAndUnitsDifferWhenWidthAndHeightDo) {
    const UserScale s = userScale(200, 50, 2);
    const CanvasPoint origin = s.toPixels({0, 0}, 600, 600);
    EXPECT_DOUBLE_EQ(origin.x, 300);
    EXPECT_DOUBLE_EQ(origin.y, 300);
    const CanvasPoint p = s.toPixels({10, 10}, 600, 600);
    EXPECT_DOUBLE_EQ(p.x, 300 + 10.0 / 400 * 600);  // 1.5 px per mm across
    EXPECT_DOUBLE_EQ(p.y, 300 + 10.0 / 100 * 600);  // 6 px per mm down
    // Radii go by the horizontal unit.
    EXPECT_DOUBLE_EQ(s.horizontalToPixels(10, 600), 15);
    EXPECT_DOUBLE_EQ(s.designWidth(), 200);
    EXPECT_DOUBLE_EQ(s.designHeight(), 50);
}

// A click on the canvas maps back onto the drawing point that was drawn there.
TEST(UserScale, ToDrawingUndoesToPixels) {
    const struct {
        double width, height, factor, imageWidth, imageHeight;
    } cases[] = {{120, 80, 1, 667, 667}, {120, 80, 4, 400, 300}, {3, 250, 2.5, 480, 480}};
    for (const auto& c : cases) {
        const UserScale s = userScale(c.width, c.height, c.factor);
        for (const CanvasPoint drawing : {CanvasPoint{0, 0}, CanvasPoint{-60, 40}, CanvasPoint{12.5, -3.25}}) {
            const CanvasPoint pixels = s.toPixels(drawing, c.imageWidth, c.imageHeight);
            const CanvasPoint back = s.toDrawing(pixels, c.imageWidth, c.imageHeight);
            EXPECT_NEAR(back.x, drawing.x, 1e-9);
            EXPECT_NEAR(back.y, drawing.y, 1e-9);
        }
    }
}

TEST(UserScale, ImageSizeIsTheCallers) {
    // A window at device pixel ratio 2 paints 1334 pixels for the same canvas.
    const UserScale s = userScale(100, 100, 4);
    EXPECT_DOUBLE_EQ(s.toPixels({50, 0}, 1334, 1334).x, 1334.0 * 5 / 8);
    EXPECT_DOUBLE_EQ(s.toPixels({0, -50}, 1334, 1334).y, 1334.0 * 3 / 8);
}

TEST(UserScale, UnusableSidesCountAsOneMillimetre) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double bad : {0.0, -200.0, nan, std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(bad);
        const UserScale wide = userScale(bad, 30, 4);
        EXPECT_DOUBLE_EQ(wide.width, 4);
        EXPECT_DOUBLE_EQ(wide.left, -2);
        EXPECT_DOUBLE_EQ(wide.height, 120);
        EXPECT_DOUBLE_EQ(wide.designWidth(), 1);
        const UserScale tall = userScale(30, bad, 4);
        EXPECT_DOUBLE_EQ(tall.height, 4);
        EXPECT_DOUBLE_EQ(tall.top, -2);
        EXPECT_DOUBLE_EQ(tall.width, 120);
        const CanvasPoint p = tall.toPixels({0.5, 0.5}, 400, 400);
        EXPECT_DOUBLE_EQ(p.x, 200 + 0.5 / 120 * 400);
        EXPECT_DOUBLE_EQ(p.y, 250);
    }
}

TEST(UserScale, UnusableFactorCountsAsOne) {
    for (double bad : {0.0, -3.0, 0.5, std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(bad);
        const UserScale s = userScale(100, 60, bad);
        EXPECT_DOUBLE_EQ(s.factor, 1);
        EXPECT_DOUBLE_EQ(s.width, 100);
        EXPECT_DOUBLE_EQ(s.height, 60);
    }
}

}  // namespace
}  // namespace tessaline
