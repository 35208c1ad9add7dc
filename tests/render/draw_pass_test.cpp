#include "preview/DesignColours.h"
#include "preview/DrawPass.h"
#include "preview/Icons.h"
#include "preview/model/ThreadPalette.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tessaline {
namespace {

// A 401-pixel canvas showing a 100.25 x 100.25 mm design at scale 4: 1 px per mm with the origin
// at the centre of pixel (200, 200), so whole millimetres fall on pixel centres, mirrored or not.
constexpr int kSide = 401;
constexpr double kDesignSide = 100.25;
constexpr double kScale = 4;
constexpr int kCentre = 200;

QRgb paletteRgb(int number) {
    const Rgb c = threadColour(number);
    return qRgb(c.red, c.green, c.blue);
}
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kHighlight = qRgb(0, 120, 215);

DesignRecord stitch(double x, double y) { return {RecordKind::Stitch, x, y}; }
DesignRecord jump(double x, double y) { return {RecordKind::Jump, x, y}; }
DesignRecord change(double x, double y) { return {RecordKind::ColourChange, x, y}; }
DesignRecord other(double x, double y) { return {RecordKind::Other, x, y}; }

// Plain settings: nothing but the thread lines.
PassSettings linesOnly() {
    PassSettings s;
    s.hoopDiameter = 0;
    s.showHoop = false;
    s.showBoundary = false;
    s.needlePoint = false;
    return s;
}

class Recorder : public PassObserver {
public:
    explicit Recorder(PassSettings s = linesOnly()) : current(std::move(s)) {}

    void beginLegend() override { calls.push_back("begin"); }
    void endColourBlock(int ended, std::int64_t stitches, int started) override {
        calls.push_back("end " + std::to_string(ended) + " " + std::to_string(stitches) + " " + std::to_string(started));
    }
    void finishLegend(int colour) override { calls.push_back("finish " + std::to_string(colour)); }
    void showNeedle(QPointF p, int colour) override {
        calls.push_back("needle " + std::to_string(std::lround(p.x())) + "," + std::to_string(std::lround(p.y())) +
                        " " + std::to_string(colour));
    }
    void placeStartMarker(QPointF p) override {
        starts.push_back(p);
        calls.push_back("start");
    }
    void placeHomeMarker(QPointF p) override {
        homes.push_back(p);
        calls.push_back("home");
    }
    PassSettings settings() override {
        ++settingsReads;
        if (beforeSettings) beforeSettings(*this);
        return current;
    }

    PassSettings current;
    std::function<void(Recorder&)> beforeSettings;
    int settingsReads = 0;
    std::vector<std::string> calls;
    std::vector<QPointF> starts;
    std::vector<QPointF> homes;
};

QImage blankCanvas() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(Qt::darkGray);  // the pass must clear it to black
    return image;
}

QImage run(Recorder& recorder, const std::vector<DesignRecord>& rows, double w = kDesignSide, double h = kDesignSide) {
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, w, h, kScale, recorder);
    pass.begin();
    for (const auto& r : rows) pass.row(r);
    pass.finish();
    return canvas;
}

QRgb at(const QImage& image, double x, double y) {
    return image.pixel(kCentre + static_cast<int>(std::lround(x)), kCentre + static_cast<int>(std::lround(y)));
}

int countNot(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != colour;
    return n;
}

// How many of 360 points on a circle (mm) have a pixel of the colour within one pixel.
int circleHits(const QImage& image, QPointF centre, double radius, QRgb colour) {
    int hits = 0;
    for (int degree = 0; degree < 360; ++degree) {
        const double a = degree * M_PI / 180;
        const int px = kCentre + static_cast<int>(std::lround(centre.x() + radius * std::cos(a)));
        const int py = kCentre + static_cast<int>(std::lround(centre.y() + radius * std::sin(a)));
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            for (int dx = -1; dx <= 1 && !found; ++dx) {
                const int x = px + dx, y = py + dy;
                found = image.valid(x, y) && image.pixel(x, y) == colour;
            }
        hits += found;
    }
    return hits;
}

// Pixels of a row of the canvas (mm) from x0 to x1 that hold the colour.
int rowHits(const QImage& image, double y, double x0, double x1, QRgb colour) {
    int hits = 0;
    for (double x = x0; x <= x1; ++x) hits += at(image, x, y) == colour;
    return hits;
}

TEST(DrawPassTable, EmptyTableClearsTheCanvasAndStillFinishesTheLegend) {
    Recorder recorder;
    const QImage image = run(recorder, {});
    EXPECT_EQ(countNot(image, kBlack), 0);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "finish 1"}));
}

TEST(DrawPassTable, SingleRowOnlySetsTheStartingPoint) {
    Recorder recorder(PassSettings{});  // every option on
    const QImage image = run(recorder, {stitch(10, 10)});
    EXPECT_EQ(countNot(image, kBlack), 0);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "finish 1"}));
}

TEST(DrawPassLines, TrimsDrawNothing) {
    const DesignRecord trim{RecordKind::Trim, -20, -40};
    Recorder withTrim;
    Recorder without;
    const QImage a = run(withTrim, {stitch(-80, -40), stitch(-20, -40), trim, stitch(40, -40), change(40, 0)});
    const QImage b = run(without, {stitch(-80, -40), stitch(-20, -40), stitch(40, -40), change(40, 0)});
    EXPECT_EQ(a, b);
    EXPECT_EQ(withTrim.calls, without.calls);
}

TEST(DrawPassLines, DesignThreadsColourTheBlocksWhenWanted) {
    DesignColours colours;
    colours.setThreads({QColor(10, 20, 30), QColor(200, 100, 50)});
    PassSettings settings = linesOnly();
    settings.colours = &colours;
    const std::vector<DesignRecord> rows = {stitch(-80, -40), stitch(-20, -40), change(-20, 20), stitch(-80, 20),
                                            stitch(-20, 20)};
    Recorder threads(settings);
    const QImage own = run(threads, rows);
    EXPECT_EQ(rowHits(own, -40, -79, -21, QColor(10, 20, 30).rgb()), 59);
    EXPECT_EQ(rowHits(own, 20, -79, -21, QColor(200, 100, 50).rgb()), 59);

    colours.setUseDesignThreads(false);  // the View menu's switch back to the palette
    Recorder palette(settings);
    const QImage fixed = run(palette, rows);
    EXPECT_EQ(rowHits(fixed, -40, -79, -21, paletteRgb(1)), 59);
    EXPECT_EQ(rowHits(fixed, 20, -79, -21, paletteRgb(2)), 59);
}

TEST(DrawPassLines, StitchesJumpsAndOtherKinds) {
    Recorder recorder;
    const QImage image = run(recorder, {
        stitch(-80, -40),
        stitch(-20, -40),  // solid, colour 1
        other(40, -40),    // draws nothing but moves P
        jump(80, 40),      // from (40, -40): dotted
    });
    EXPECT_EQ(rowHits(image, -40, -79, -21, paletteRgb(1)), 59);
    EXPECT_EQ(rowHits(image, -40, -15, 35, kBlack), 51);
    // The jump from (40, -40) to (80, 40) is there, in the thread colour.
    int lit = 0;
    for (double t = 0.1; t < 0.9; t += 0.01) {
        const double x = 40 + 40 * t, y = -40 + 80 * t;
        bool any = false;
        for (int d = -1; d <= 1; ++d) any = any || at(image, x + d, y) == paletteRgb(1);
        lit += any;
    }
    EXPECT_GT(lit, 10);
    EXPECT_EQ(countNot(image, kBlack), [&] {
        int n = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) n += image.pixel(x, y) == paletteRgb(1);
        return n;
    }()) << "nothing but thread colour 1 on the canvas";
}

TEST(DrawPassLines, JumpsDottedAtThicknessOneAndSolidAtTwo) {
    const std::vector<DesignRecord> rows{other(-80, 30), jump(80, 30)};
    Recorder thin;
    const QImage dotted = run(thin, rows);
    const int thinLit = rowHits(dotted, 30, -75, 75, paletteRgb(1));
    EXPECT_GT(thinLit, 20);
    EXPECT_LT(thinLit, 120);  // gaps between the dots

    PassSettings wide = linesOnly();
    wide.penWidth = 2;
    Recorder thick(wide);
    const QImage solid = run(thick, rows);
    EXPECT_EQ(rowHits(solid, 30, -75, 75, paletteRgb(1)), 151);
}

TEST(DrawPassLines, ThreadThicknessRoundsHalvesToEven) {
    auto columnThickness = [](double penWidth) {
        PassSettings s = linesOnly();
        s.penWidth = penWidth;
        Recorder recorder(s);
        const QImage image = run(recorder, {stitch(-50, 0), stitch(50, 0)});
        int n = 0;
        for (int y = 0; y < kSide; ++y) n += image.pixel(kCentre, y) == paletteRgb(1);
        return n;
    };
    EXPECT_EQ(columnThickness(1), 1);
    EXPECT_EQ(columnThickness(2), 2);
    EXPECT_EQ(columnThickness(2.5), 2);
    EXPECT_EQ(columnThickness(3.5), 4);
    EXPECT_EQ(columnThickness(0), 1);  // never thinner than a pixel
}

TEST(DrawPassColours, SegmentEndingAtAColourChangeTakesTheNewColour) {
    Recorder recorder;
    const QImage image = run(recorder, {
        stitch(-80, -40),
        stitch(-40, -40),  // colour 1
        change(0, -40),    // colour 2 starts with this segment
        stitch(40, -40),   // colour 2
    });
    EXPECT_EQ(at(image, -60, -40), paletteRgb(1));
    EXPECT_EQ(at(image, -20, -40), paletteRgb(2));
    EXPECT_EQ(at(image, 20, -40), paletteRgb(2));
    // Without the hoop the start-marker step runs at the first stitch of every block.
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"begin", "start", "home", "needle -40,-40 1", "end 1 1 2",
                                                        "start", "home", "needle 40,-40 2", "finish 2"}));
}

TEST(DrawPassColours, ColourNumberWrapsToOneAfterTheThirtyFourthChange) {
    // Each change row draws a horizontal segment of its own: an "other" row moves P first.
    std::vector<DesignRecord> rows{other(-80, -90)};
    auto rowY = [](int k) { return -90.0 + 5 * k; };
    for (int k = 1; k <= 35; ++k) {
        rows.push_back(other(-80, rowY(k)));
        rows.push_back(change(80, rowY(k)));
    }
    rows.push_back(other(-80, rowY(36)));
    rows.push_back(stitch(80, rowY(36)));
    Recorder recorder;
    const QImage image = run(recorder, rows);

    for (int k = 1; k <= 34; ++k) EXPECT_EQ(at(image, 0, rowY(k)), paletteRgb(k + 1)) << "change " << k;
    EXPECT_EQ(at(image, 0, rowY(35)), paletteRgb(2)) << "the 35th change ends colour 1 again";
    EXPECT_EQ(at(image, 0, rowY(36)), paletteRgb(2));

    std::vector<std::string> ends;
    for (const auto& call : recorder.calls)
        if (call.rfind("end ", 0) == 0) ends.push_back(call);
    ASSERT_EQ(ends.size(), 35u);
    EXPECT_EQ(ends[0], "end 1 0 2");
    EXPECT_EQ(ends[33], "end 34 0 35");
    EXPECT_EQ(ends[34], "end 1 0 2");
    EXPECT_EQ(recorder.calls.back(), "finish 2");
}

TEST(DrawPassColours, WrapUsesPaletteOneForTheNextBlock) {
    std::vector<DesignRecord> rows{stitch(-80, -90)};
    for (int k = 1; k <= 34; ++k) rows.push_back(change(-80, -90));  // zero-length segments
    rows.push_back(stitch(80, -90));
    Recorder recorder;
    const QImage image = run(recorder, rows);
    EXPECT_EQ(at(image, 0, -90), paletteRgb(1));
    EXPECT_EQ(recorder.calls.back(), "finish 1");
}

TEST(DrawPassMarkers, StartMarkerStepAtTheFirstStitch) {
    PassSettings s;
    s.hoopDiameter = 20;  // R = 10 x 100 / 48.6 mm
    s.needlePoint = false;
    Recorder recorder(s);
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, kDesignSide, kDesignSide, kScale, recorder);
    pass.begin();
    for (const auto& r : {jump(0, 0), jump(20, 10), jump(40, -20), stitch(60, -20), stitch(60, 0)}) pass.row(r);
    pass.finish();

    // Leading jumps: the design starts where the last jump ends.
    EXPECT_EQ(pass.designStart(), QPointF(40, -20));
    EXPECT_TRUE(pass.hoopMarked());
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0], QPointF(40, -20));
    ASSERT_EQ(recorder.homes.size(), 1u);
    EXPECT_EQ(recorder.homes[0], QPointF(0, 0));

    const double r = 10 * kDesignSide / 48.6;
    EXPECT_GT(circleHits(canvas, {0, 0}, r, kYellow), 150);
    EXPECT_GT(circleHits(canvas, {40, -20}, r, kHighlight), 150);
    EXPECT_LT(circleHits(canvas, {0, 0}, r, kHighlight), 60);
    // Boundary 1 mm outside the 100 x 100 box.
    EXPECT_EQ(at(canvas, -51, 30), kWhite);
    EXPECT_EQ(at(canvas, 51, 30), kWhite);
    EXPECT_EQ(at(canvas, 30, -51), kWhite);
    EXPECT_EQ(at(canvas, 30, 51), kWhite);
    EXPECT_EQ(at(canvas, -49, 30), kBlack);
}

TEST(DrawPassMarkers, WithoutHoopTheStepRepeatsAtEveryBlock) {
    PassSettings s = linesOnly();
    Recorder recorder(s);
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, kDesignSide, kDesignSide, kScale, recorder);
    pass.begin();
    for (const auto& r : {stitch(-30, 0), stitch(-20, 0), stitch(-10, 0), change(10, 10), stitch(20, 10),
                          stitch(30, 10)})
        pass.row(r);
    pass.finish();
    EXPECT_FALSE(pass.hoopMarked());
    ASSERT_EQ(recorder.starts.size(), 2u);
    EXPECT_EQ(recorder.starts[1], QPointF(10, 10));
    EXPECT_EQ(pass.designStart(), QPointF(10, 10));
    EXPECT_EQ(at(canvas, -51, 0), kBlack);  // no boundary
}

TEST(DrawPassMarkers, WithHoopTheStepRunsOnce) {
    PassSettings s = linesOnly();
    s.showHoop = true;
    Recorder recorder(s);
    run(recorder, {stitch(-30, 0), stitch(-20, 0), change(10, 10), stitch(20, 10)});
    EXPECT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.homes.size(), 1u);
}

TEST(DrawPassMarkers, InvertMirrorsPointsAndStartButNotHomeCircleOrBoundary) {
    const std::vector<DesignRecord> rows{jump(0, 0), jump(40, -20), stitch(60, -20), stitch(60, -30)};
    const double r = 10 * kDesignSide / 48.6;
    struct Case {
        bool invertX, invertY;
        double sx, sy;  // sign applied to the design's points
    };
    for (const Case c : {Case{true, false, -1, 1}, Case{false, true, 1, -1}, Case{true, true, -1, -1}}) {
        SCOPED_TRACE(std::to_string(c.invertX) + std::to_string(c.invertY));
        PassSettings s;
        s.hoopDiameter = 20;
        s.needlePoint = false;
        s.invertX = c.invertX;
        s.invertY = c.invertY;
        Recorder recorder(s);
        QImage canvas = blankCanvas();
        DrawPass pass(canvas, kDesignSide, kDesignSide, kScale, recorder);
        pass.begin();
        for (const auto& row : rows) pass.row(row);
        pass.finish();

        const QPointF start(40 * c.sx, -20 * c.sy);
        EXPECT_EQ(pass.designStart(), start);
        ASSERT_EQ(recorder.starts.size(), 1u);
        EXPECT_EQ(recorder.starts[0], start);
        EXPECT_GT(circleHits(canvas, start, r, kHighlight), 150);
        EXPECT_LT(circleHits(canvas, {40, -20}, r, kHighlight), 60);
        // The stitch from (40, -20) to (60, -20), mirrored.
        EXPECT_EQ(at(canvas, 50 * c.sx, -20 * c.sy), paletteRgb(1));
        EXPECT_EQ(at(canvas, 50, -20), kBlack);
        // Home, yellow circle and boundary stay.
        ASSERT_EQ(recorder.homes.size(), 1u);
        EXPECT_EQ(recorder.homes[0], QPointF(0, 0));
        EXPECT_GT(circleHits(canvas, {0, 0}, r, kYellow), 150);
        EXPECT_EQ(at(canvas, -51, 30), kWhite);
        EXPECT_EQ(at(canvas, 51, 30), kWhite);
    }
}

TEST(DrawPassNeedle, NeedleAfterEveryStitchAndADotWhenAsked) {
    const std::vector<DesignRecord> rows{stitch(-40, 0), jump(-20, 0), stitch(0, 0), change(20, 0), stitch(40, 0)};
    PassSettings s = linesOnly();
    s.needlePoint = true;
    Recorder dots(s);
    const QImage withDots = run(dots, rows);
    EXPECT_EQ(dots.calls, (std::vector<std::string>{"begin", "start", "home", "needle 0,0 1", "end 1 1 2",
                                                    "start", "home", "needle 40,0 2", "finish 2"}));
    EXPECT_EQ(at(withDots, 40, 0), kWhite);

    Recorder plain;  // needle points off: the marker still follows, no dot
    const QImage withoutDots = run(plain, rows);
    EXPECT_EQ(plain.calls, dots.calls);
    EXPECT_EQ(at(withoutDots, 40, 0), paletteRgb(2));
    EXPECT_EQ(countNot(withoutDots, kWhite), kSide * kSide);
}

TEST(DrawPassNeedle, NeedlePointIsACircleOfATenthOfAMillimetre) {
    // 10 x 10 mm at scale 1 on 401 px: 40.1 px per mm, so the circle's radius is about 4 px.
    PassSettings s = linesOnly();
    s.needlePoint = true;
    Recorder recorder(s);
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, 10, 10, 1, recorder);
    pass.begin();
    for (const auto& r : {stitch(-3, 2), stitch(0, 2)}) pass.row(r);
    pass.finish();
    const QPointF q = pass.toCanvas({0, 2});
    const int x = static_cast<int>(q.x()), y = static_cast<int>(q.y());
    EXPECT_EQ(canvas.pixel(x, y - 4), kWhite);
    EXPECT_EQ(canvas.pixel(x, y + 4), kWhite);
    EXPECT_EQ(canvas.pixel(x + 4, y), kWhite);
    EXPECT_EQ(canvas.pixel(x + 1, y + 1), kBlack);  // an outline, not a disc
}

TEST(DrawPassSettings, ReadBeforeEveryRowAndApplyFromThatRow) {
    Recorder recorder;
    recorder.beforeSettings = [](Recorder& r) {
        if (r.settingsReads == 3) r.current.invertX = true;
    };
    const QImage image = run(recorder, {stitch(10, -40), stitch(30, -40), stitch(50, -40), stitch(70, -40)});
    EXPECT_EQ(recorder.settingsReads, 4);
    EXPECT_EQ(at(image, 20, -40), paletteRgb(1));   // row 2, plain
    // Row 3 is mirrored: its segment runs from (30, -40) to (-50, -40); row 4 from there to (-70, -40).
    EXPECT_EQ(at(image, 0, -40), paletteRgb(1));
    EXPECT_EQ(at(image, -60, -40), paletteRgb(1));
    EXPECT_EQ(at(image, 60, -40), kBlack);
}

TEST(DrawPassScale, ZeroWidthOrHeightUsesOneMillimetre) {
    PassSettings s = linesOnly();
    s.showBoundary = true;
    s.showHoop = false;
    Recorder recorder(s);
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, 0, kDesignSide, kScale, recorder);  // a straight vertical design
    pass.begin();
    for (const auto& r : {stitch(0, -40), stitch(0, 40)}) pass.row(r);
    pass.finish();
    EXPECT_DOUBLE_EQ(pass.scale().width, 4);
    EXPECT_EQ(pass.toCanvas({0, 0}), QPointF(200.5, 200.5));
    EXPECT_EQ(canvas.pixel(200, 200), paletteRgb(1));
    // Boundary from x = -1.5 mm: 0.5 mm of a 4 mm-wide canvas from its left edge, at 401 px.
    EXPECT_EQ(canvas.pixel(50, 200), kWhite);
    EXPECT_EQ(canvas.pixel(350, 200), kWhite);
    EXPECT_EQ(canvas.pixel(51, 200), kBlack);
}

TEST(DrawPassScale, PointsFarOffTheCanvasStillDrawTheirVisiblePart) {
    Recorder recorder;
    QImage canvas = blankCanvas();
    DrawPass pass(canvas, 0.1, 0.1, 1, recorder);  // 4000 px per mm
    pass.begin();
    for (const auto& r : {stitch(-1e6, 0), stitch(1e7, 0), stitch(1e7, 1e7), stitch(0, 0)}) pass.row(r);
    pass.finish();
    EXPECT_EQ(canvas.pixel(100, 200), paletteRgb(1));
    EXPECT_EQ(canvas.pixel(300, 200), paletteRgb(1));
}

TEST(DrawPassScale, HighDensityCanvasPaintsInLogicalPixels) {
    Recorder recorder;
    QImage canvas(2 * kSide, 2 * kSide, QImage::Format_RGB32);  // 802 device pixels
    canvas.setDevicePixelRatio(2);
    DrawPass pass(canvas, kDesignSide, kDesignSide, kScale, recorder);
    pass.begin();
    for (const auto& r : {stitch(-40, 20), stitch(40, 20)}) pass.row(r);
    pass.finish();
    EXPECT_EQ(pass.toCanvas({40, 20}), QPointF(240.5, 220.5));
    EXPECT_EQ(canvas.pixel(401, 441), paletteRgb(1));
    EXPECT_EQ(canvas.pixel(401, 221), kBlack);
}

TEST(MarkerIcons, LoadFromTheResources) {
    for (MarkerIcon icon : {MarkerIcon::DesignStart, MarkerIcon::MachineHome, MarkerIcon::Needle}) {
        const QImage& image = markerImage(icon);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(QSizeF(image.size()), markerDisplaySize(icon));
    }
    EXPECT_EQ(markerDisplaySize(MarkerIcon::Needle), QSizeF(32, 32));
}

}  // namespace
}  // namespace tessaline
