#include "design/FigureTexts.h"

#include "design/DstDecoder.h"

#include "DstTestEncoder.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

TEST(FigureTexts, LabelsOfAGivenDesign) {
    DesignFigures f;
    f.records = 12345;
    f.jumps = 67;
    f.colours = 4;
    f.minX = -12.3;
    f.minY = -0.5;
    f.maxX = 40;
    f.maxY = 52.3;
    f.width = 52.3;
    f.height = 52.8;
    const FigureTexts t = figureTexts(f, "rose.dst");
    EXPECT_EQ(t.fileName, "rose.dst");
    EXPECT_EQ(t.minX, "-12.3 mm");
    EXPECT_EQ(t.minY, "-0.5 mm");
    EXPECT_EQ(t.maxX, "40 mm");
    EXPECT_EQ(t.maxY, "52.3 mm");
    EXPECT_EQ(t.stitches, "12345");
    EXPECT_EQ(t.colours, "4");
    EXPECT_EQ(t.jumps, "67");
    EXPECT_EQ(t.height, "52.8");
    EXPECT_EQ(t.width, "52.3");
    // Height first, no blank before either "mm".
    EXPECT_EQ(t.dimensions, "52.8mm x 52.3mm");
}

TEST(FigureTexts, EmptyDesignShowsZerosAndOneColour) {
    const FigureTexts t = figureTexts(DesignFigures{}, "empty.dst");
    EXPECT_EQ(t.minX, "0 mm");
    EXPECT_EQ(t.maxY, "0 mm");
    EXPECT_EQ(t.stitches, "0");
    EXPECT_EQ(t.colours, "1");
    EXPECT_EQ(t.jumps, "0");
    EXPECT_EQ(t.dimensions, "0mm x 0mm");
}

TEST(FigureTexts, NegativeZeroIsWrittenAsZero) {
    DesignFigures f;
    f.minX = -0.0;
    f.height = -0.0;
    const FigureTexts t = figureTexts(f, "z.dst");
    EXPECT_EQ(t.minX, "0 mm");
    EXPECT_EQ(t.height, "0");
}

TEST(FigureTexts, DecodedDesignEndToEnd) {
    test::DstTestEncoder dst;
    dst.jump(-30, 40).stitch(121, -3).colourChange().stitch(-1, -100).end().trailing({0x1A});
    // Reached x: -30, 91, 91, 90, 90; stored y (file y negated): -40, -37, -37, 63, 63.
    const FigureTexts t = figureTexts(decodeDst(dst.bytes(), {}), "a.dst");
    EXPECT_EQ(t.stitches, "5");
    EXPECT_EQ(t.jumps, "1");
    EXPECT_EQ(t.colours, "2");
    EXPECT_EQ(t.minX, "-3 mm");
    EXPECT_EQ(t.maxX, "9.1 mm");
    EXPECT_EQ(t.minY, "-4 mm");
    EXPECT_EQ(t.maxY, "6.3 mm");
    EXPECT_EQ(t.dimensions, "10.3mm x 12.1mm");
}

TEST(BareFileName, TextAfterTheLastSeparator) {
    EXPECT_EQ(bareFileName("/home/ann/designs/rose.dst"), "rose.dst");
    EXPECT_EQ(bareFileName("C:\\designs\\rose.DST"), "rose.DST");
    EXPECT_EQ(bareFileName("a/b\\c.dst"), "c.dst");
    EXPECT_EQ(bareFileName("a\\b/c.dst"), "c.dst");
    EXPECT_EQ(bareFileName("rose.dst"), "rose.dst");
    EXPECT_EQ(bareFileName("folder/"), "");
    EXPECT_EQ(bareFileName(""), "");
    EXPECT_EQ(bareFileName("/my rose (2).dst"), "my rose (2).dst");
}

}  // namespace
}  // namespace tessaline
