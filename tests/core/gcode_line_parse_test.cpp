#include "preview/model/GcodeLineParse.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaline {
namespace {

TrackedPoint parsed(const std::string& line) {
    const auto point = parseTrackedLine(line);
    EXPECT_TRUE(point.has_value()) << '"' << line << '"';
    return point.value_or(TrackedPoint{-999, -999});
}

TEST(TrackedLine, MotionLines) {
    const TrackedPoint p = parsed("G01 X12.5 Y-3.25 ");
    EXPECT_DOUBLE_EQ(p.x, 12.5);
    EXPECT_DOUBLE_EQ(p.y, -3.25);
    EXPECT_EQ(coordinateReadout(p.x, p.y), "X: 12.5 Y: -3.25");

    const TrackedPoint jump = parsed("G00 X-40.7 Y0 Z12.5");
    EXPECT_DOUBLE_EQ(jump.x, -40.7);
    EXPECT_DOUBLE_EQ(jump.y, 0);  // seven characters "0 Z12.5": reading stops at "Z"

    // The generator's lines end without a blank; a trailing line break is ignored.
    const TrackedPoint last = parsed("G01 X100 Y7\r\n");
    EXPECT_DOUBLE_EQ(last.x, 100);
    EXPECT_DOUBLE_EQ(last.y, 7);
}

TEST(TrackedLine, LongYValuesAreCutToSevenCharacters) {
    EXPECT_DOUBLE_EQ(parsed("G01 X1 Y-123.456").y, -123.45);
    EXPECT_DOUBLE_EQ(parsed("G01 X1 Y1234567890").y, 1234567);
}

TEST(TrackedLine, XTextIsTheCharactersBetweenTheLetters) {
    // The slice is b - 6 long: with the X word in another column it takes too little or too much.
    EXPECT_DOUBLE_EQ(parsed("G1 X12.5 Y2").x, 12.5);       // a = 4, b = 10: exactly "12.5"
    EXPECT_DOUBLE_EQ(parsed("G01  X12.5 Y2").x, 12.5);     // a = 6, b = 12: "12.5 Y" stops at "Y"
    EXPECT_DOUBLE_EQ(parsed("G0001 X12.5 Y2").x, 12.5);    // a = 7, b = 13: "12.5 Y2"
    EXPECT_DOUBLE_EQ(parsed("X12345 Y9").x, 12);           // a = 1, b = 8: only "12"
    EXPECT_DOUBLE_EQ(parsed("G01 X12345678 Y9").x, 12345678);
}

TEST(TrackedLine, CommentsWithBothLettersReadLikeMotionLines) {
    // "(MAX EXTENT X YES)": a = 4 (the X of "MAX"), b = 15; the slices hold no number and read as 0.
    const TrackedPoint p = parsed("(MAX EXTENT X YES)");
    EXPECT_DOUBLE_EQ(p.x, 0);
    EXPECT_DOUBLE_EQ(p.y, 0);
    const TrackedPoint q = parsed("(Min X 10 mm Y 20)");
    EXPECT_DOUBLE_EQ(q.x, 10);  // " 10 mm " reads 10: blanks ignored, reading stops at "m"
    EXPECT_DOUBLE_EQ(q.y, 20);
}

TEST(TrackedLine, LinesThatLeaveThePreviewUnchanged) {
    EXPECT_FALSE(parseTrackedLine("").has_value());
    EXPECT_FALSE(parseTrackedLine("M03").has_value());
    EXPECT_FALSE(parseTrackedLine("G01 Y5 Z3").has_value());        // no X
    EXPECT_FALSE(parseTrackedLine("g01 x12.5 y-3.25").has_value()); // lowercase is not recognised
    EXPECT_FALSE(parseTrackedLine("G01 X12.5 Z3").has_value());     // X without Y
    EXPECT_FALSE(parseTrackedLine("G01 X12.5 y3").has_value());
    EXPECT_FALSE(parseTrackedLine("Y1 X2 Y3").has_value());         // first Y in column 1
    EXPECT_FALSE(parseTrackedLine("G0 Y1 X2").has_value());         // first Y in column 4
    EXPECT_FALSE(parseTrackedLine("X1 Y2").has_value());            // first Y in column 4
    EXPECT_FALSE(parseTrackedLine("X1  Y2").has_value());           // first Y in column 5
    EXPECT_FALSE(parseTrackedLine("G01 X1e999 Y2").has_value());    // overflows
}

TEST(TrackedLine, FirstYInColumnSixGivesAnEmptyXText) {
    const TrackedPoint p = parsed("X123 Y45");  // b = 6: x-text of length 0
    EXPECT_DOUBLE_EQ(p.x, 0);
    EXPECT_DOUBLE_EQ(p.y, 45);
}

TEST(TrackedLine, XAtTheEndOfTheLine) {
    const TrackedPoint p = parsed("(SET Y) X");
    EXPECT_DOUBLE_EQ(p.x, 0);
    EXPECT_DOUBLE_EQ(p.y, 0);
}

TEST(CoordinateReadout, ShortestDecimalForm) {
    EXPECT_EQ(coordinateReadout(0, 0), "X: 0 Y: 0");
    EXPECT_EQ(coordinateReadout(-0.0, 40), "X: 0 Y: 40");
    EXPECT_EQ(coordinateReadout(0.1 + 0.2, -7.5), "X: 0.3 Y: -7.5");
}

}  // namespace
}  // namespace tessaline
