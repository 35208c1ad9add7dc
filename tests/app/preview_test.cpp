// The preview in the window: the paced pass, legend, needle, markers, scrolling and tracking.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "app/CanvasWidget.h"
#include "app/MarkerImage.h"
#include "preview/model/ThreadPalette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

namespace tessaline::testing {
namespace {

QColor qcolour(int number) {
    const Rgb rgb = threadColour(number);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

class PreviewTest : public WindowTest {
protected:
    QLabel* label(const QString& name) const { return window->control<QLabel>(name); }
    QLabel* cell(int index) const { return label(QStringLiteral("Label17_%1").arg(index)); }
    QColor cellColour(int index) const { return cell(index)->palette().color(QPalette::Window); }
    QStringList statistics() const {
        return window->control<QTextEdit>("RTET")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    QString caption() const { return window->control<QGroupBox>("Frame3")->title(); }
    QPointF centreOf(const char* name) const {
        const QWidget* image = window->control<QWidget>(QString::fromLatin1(name));
        return QRectF(image->geometry()).center();
    }
    // Where a drawing-unit point lies on the canvas: at scale 4 the W x H box spans its central quarter.
    QPointF canvasPoint(double x, double y) const {
        const double side = window->control<QWidget>("Picture1")->width();
        // A side of 0 mm counts as 1 mm.
        const double w = std::max(1.0, window->control<QLabel>("lblW")->text().toDouble());
        const double h = std::max(1.0, window->control<QLabel>("lblH")->text().toDouble());
        return QPointF((x + w * 2) / (w * 4) * side, (y + h * 2) / (h * 4) * side);
    }
    QColor pixel(double x, double y) const {
        const QImage& image = window->control<CanvasWidget>("Picture1")->image();
        const QPointF at = canvasPoint(x, y) * image.devicePixelRatio();
        return image.pixelColor(static_cast<int>(at.x()), static_cast<int>(at.y()));
    }
    // The needle dot is a small white ring around the stitch end.
    bool whiteRingAround(double x, double y) const {
        const QImage& image = window->control<CanvasWidget>("Picture1")->image();
        const QPointF at = canvasPoint(x, y) * image.devicePixelRatio();
        for (int dx = -3; dx <= 3; ++dx)
            for (int dy = -3; dy <= 3; ++dy) {
                const QColor c = image.pixelColor(static_cast<int>(at.x()) + dx, static_cast<int>(at.y()) + dy);
                if (c.red() > 200 && c.green() > 200 && c.blue() > 200) return true;
            }
        return false;
    }
    void expectMarkerAt(const char* name, double x, double y) const {
        const QPointF centre = centreOf(name);
        const QPointF expected = canvasPoint(x, y);
        EXPECT_NEAR(centre.x(), expected.x(), 1) << name;
        EXPECT_NEAR(centre.y(), expected.y(), 1) << name;
    }
};

// Two colour blocks: 3 stitches, a change, 2 stitches, the end record (S = 7, K = 2). The first
// row is only the start point, so the first block counts 2 stitches.
test::DstTestEncoder twoBlocks() {
    test::DstTestEncoder design;
    design.stitch(100, 0).stitch(0, -100).stitch(-100, 0).colourChange().stitch(50, 50).stitch(0, 50).end();
    return design;
}

TEST_F(PreviewTest, LegendAfterAPass) {
    window->control<QComboBox>("CmbSPM")->setEditText("1");
    open(writeDesign("two.dst", twoBlocks()));
    const QStringList lines = statistics();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Color: 1   Stitches Count:2    Percent: 28.57 %   Est.Time: 2.00 Min.");
    EXPECT_EQ(lines[1], "Color: 2   Stitches Count:2    Percent: 28.57 %   Est.Time: 2.00 Min.");
    // Each line in the colour of its own block.
    const QTextDocument* text = window->control<QTextEdit>("RTET")->document();
    for (int line : {0, 1}) {
        QTextCursor cursor(text->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::NextCharacter);
        EXPECT_EQ(cursor.charFormat().foreground().color(), qcolour(line + 1));
    }
    // Bars 36 and 37 shown, in their colours, 900 twips times the share.
    EXPECT_TRUE(cell(36)->isVisibleTo(window.get()));
    EXPECT_TRUE(cell(37)->isVisibleTo(window.get()));
    EXPECT_FALSE(cell(38)->isVisibleTo(window.get()));
    EXPECT_EQ(cellColour(36), qcolour(1));
    EXPECT_EQ(cell(36)->height(), qRound(900 * 2.0 / 7 / 15));
    EXPECT_EQ(cell(36)->toolTip(), "%Color: 28.57 Estimated Time: 2.00");
    // Swatches: 1 and 2 coloured, 3 (the colour after the end record) neutral again.
    EXPECT_EQ(cellColour(0), qcolour(1));
    EXPECT_EQ(cellColour(1), qcolour(2));
    EXPECT_EQ(cellColour(2), window->palette().color(QPalette::Button));
    // 7 / 1 + 2 x 10 + 10 = 37 minutes.
    EXPECT_EQ(caption(), "Total Estimated Time: 37Minutes");
    window->control<QComboBox>("CmbTCT")->setEditText("30");
    window->draw();
    EXPECT_EQ(caption(), "Total Estimated Time: 1.28Hr");  // 77 minutes
    EXPECT_EQ(statistics().size(), 2);  // rebuilt, not appended
}

TEST_F(PreviewTest, UnusableMachineSpeedShowsDashes) {
    window->control<QComboBox>("CmbSPM")->setEditText("fast");
    open(writeDesign("two.dst", twoBlocks()));
    EXPECT_EQ(caption(), "Total Estimated Time: --");
    EXPECT_TRUE(statistics()[0].endsWith("Est.Time: -- Min."));
}

TEST_F(PreviewTest, DrawsInThreadColoursWithTheMarkers) {
    open(writeDesign("two.dst", twoBlocks()));
    // The first move runs from (0,0) to (10,0) in colour 1; the block after the change in colour 2.
    EXPECT_EQ(pixel(2.5, 0), qcolour(1));
    EXPECT_EQ(pixel(2.5, 7.5), qcolour(2));
    expectMarkerAt("ImgCtr", 0, 0);
    const QPointF home = canvasPoint(0, 0);
    EXPECT_NEAR(window->control<QWidget>("ImgDCentre")->x(), home.x(), 1);
    EXPECT_NEAR(window->control<QWidget>("ImgDCentre")->y(), home.y(), 1);
    EXPECT_EQ(window->designStart(), QPointF(0, 0));
    EXPECT_TRUE(window->hoopMarked());
}

TEST_F(PreviewTest, PacingRunsTheEventsSliderPlusOneTimesPerRow) {
    open(writeDesign("two.dst", twoBlocks()));
    EXPECT_EQ(pumped, 11 * 6);  // 7 rows; the first only sets the start point
    pumped = 0;
    window->control<QSlider>("SLAni")->setValue(20000);
    window->draw();
    EXPECT_EQ(pumped, 20001 * 6);
}

TEST_F(PreviewTest, NeedleFollowsStitchesWithDotsAndReadout) {
    test::DstTestEncoder design;
    design.stitch(0, 0).stitch(100, 0).stitch(0, 0);
    open(writeDesign("n.dst", design));
    // The last row is a stitch standing at (10, 0), drawn over by nothing.
    expectMarkerAt("ImgCur", 10, 0);
    auto* readout = label("Label20_6");
    EXPECT_EQ(readout->text(), "X: 10 Y: 0");
    EXPECT_EQ(readout->palette().color(QPalette::WindowText), qcolour(1));
    EXPECT_TRUE(whiteRingAround(10, 0));

    QTest::mouseClick(window->control<QCheckBox>("NeedlePoint"), Qt::LeftButton);
    EXPECT_FALSE(window->needlePointOn());
    readout->setText("kept");
    window->draw();
    EXPECT_EQ(readout->text(), "kept");
    expectMarkerAt("ImgCur", 10, 0);
    EXPECT_FALSE(whiteRingAround(10, 0));
}

TEST_F(PreviewTest, ReadoutColourFollowsTheBlock) {
    open(writeDesign("two.dst", twoBlocks()));
    EXPECT_EQ(label("Label20_6")->palette().color(QPalette::WindowText), qcolour(2));
}

TEST_F(PreviewTest, ScrollBarsMoveTheCanvas) {
    auto* canvas = window->control<QWidget>("Picture1");
    const int range = canvas->width() - window->control<QWidget>("Picture2")->width();
    window->control<QScrollBar>("HScroll1")->setValue(0);
    window->control<QScrollBar>("VScroll1")->setValue(100);
    EXPECT_EQ(canvas->pos(), QPoint(0, -range));
    window->control<QScrollBar>("HScroll1")->setSliderPosition(25);  // as while dragging
    EXPECT_EQ(canvas->x(), -range / 4);
    window->draw();  // a pass does not move the canvas
    EXPECT_EQ(canvas->x(), -range / 4);
}

TEST_F(PreviewTest, ADesignLeavingTheHoopIsWarnedAboutFirst) {
    test::DstTestEncoder design;  // 8 x 10 mm right of home: 80 mm out
    for (int i = 0; i < 8; ++i) design.stitch(100, 0);
    design.end();
    window->control<QComboBox>("cmbHoopDia")->setCurrentText("150");
    open(writeDesign("wide.dst", design));
    ASSERT_FALSE(statistics().isEmpty());
    EXPECT_EQ(statistics().front(), "Warning: Does not fit the 150 mm hoop: it reaches 5 mm beyond its edge.");
    window->control<QComboBox>("cmbHoopDia")->setCurrentText("160");
    window->draw();
    EXPECT_FALSE(statistics().front().startsWith("Warning")) << "a hoop just wide enough gives no warning";
}

TEST_F(PreviewTest, AHoopDiameterThatIsNoHoopIsRefusedAtTheReplay) {
    open(writeDesign("two.dst", twoBlocks()));
    for (const char* diameter : {"0", "-5", "nan", "inf"}) {
        SCOPED_TRACE(diameter);
        dialogs.messages.clear();
        window->control<QComboBox>("cmbHoopDia")->setCurrentText(diameter);
        window->draw();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_TRUE(dialogs.messages[0].text.contains("hoop diameter must be a number of millimetres greater than 0"))
            << dialogs.messages[0].text.toStdString();
    }
    dialogs.messages.clear();
    window->control<QComboBox>("cmbHoopDia")->setCurrentText("150");
    window->draw();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PreviewTest, ClicksReachTheMarkersUnderTheNeedle) {
    open(writeDesign("two.dst", twoBlocks()));
    auto* canvas = window->control<QWidget>("Picture1");
    auto* needle = window->control<QWidget>("ImgCur");
    auto* start = window->control<QWidget>("ImgCtr");
    needle->move(start->geometry().center() - QPoint(needle->width() / 2, needle->height() / 2));
    needle->raise();
    needle->show();
    EXPECT_EQ(canvas->childAt(start->geometry().center()), start);
}

TEST_F(PreviewTest, MarkerMessages) {
    QTest::mousePress(window->control<MarkerImage>("ImgCtr"), Qt::RightButton);
    QTest::mouseClick(window->control<MarkerImage>("ImgDCentre"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Centre of Blue Circle (Hoop Diameter)-Design Start Point: X=0 Y=0");
    EXPECT_EQ(dialogs.messages[1].text, "Centre of Yellow Circle (Hoop Diameter) - Machine Home: X=0 Y=0");
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Information);
    EXPECT_EQ(dialogs.messages[0].title, "Tessaline");

    test::DstTestEncoder design;
    design.jump(25, 0).jump(0, 10).stitch(10, 0).end();
    QTest::mouseClick(window->control<QCheckBox>("Xinrt"), Qt::LeftButton);
    open(writeDesign("j.dst", design));
    dialogs.messages.clear();
    QTest::mousePress(window->control<MarkerImage>("ImgCtr"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // Leading jumps: the design starts where the first stitch row's line starts, mirrored in x.
    EXPECT_EQ(dialogs.messages[0].text, "Centre of Blue Circle (Hoop Diameter)-Design Start Point: X=-2.5 Y=0");
}

TEST_F(PreviewTest, SimulateWithoutADesignSaysSo) {
    window->simulate();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, " DST file not loaded");
    EXPECT_EQ(dialogs.messages[0].title, "Information");
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Information);
    open(writeDesign("two.dst", twoBlocks()));
    pumped = 0;
    window->findChild<QAction*>("mnuSimulate")->trigger();
    EXPECT_EQ(pumped, 11 * 6);
}

TEST_F(PreviewTest, CaretMovesTheCrossHair) {
    open(writeDesign("two.dst", twoBlocks()));
    auto* pane = window->control<GcodePane>("RGcode");
    pane->setText("(comment)\nG01 X12.5 Y-3.25 \nG01 Z40 ");
    pane->setCursorPosition(1, 4);
    expectMarkerAt("ImgCur", 12.5, -3.25);
    EXPECT_EQ(label("Label20_6")->text(), "X: 12.5 Y: -3.25");
    EXPECT_TRUE(window->control<QWidget>("ImgCur")->isVisibleTo(window.get()));

    // A line without X leaves everything where it was.
    pane->setCursorPosition(2, 0);
    expectMarkerAt("ImgCur", 12.5, -3.25);
    EXPECT_EQ(label("Label20_6")->text(), "X: 12.5 Y: -3.25");

    QTest::mouseClick(window->control<QCheckBox>("Check1"), Qt::LeftButton);
    EXPECT_FALSE(window->crossHairOn());
    EXPECT_FALSE(window->control<QWidget>("ImgCur")->isVisibleTo(window.get()));
    pane->setCursorPosition(1, 0);
    EXPECT_FALSE(window->control<QWidget>("ImgCur")->isVisibleTo(window.get()));
    QTest::mouseClick(window->control<QCheckBox>("Check1"), Qt::LeftButton);
    EXPECT_TRUE(window->control<QWidget>("ImgCur")->isVisibleTo(window.get()));
    expectMarkerAt("ImgCur", 12.5, -3.25);
}

TEST_F(PreviewTest, DrawDuringAPassEndsItAndStartsAfresh) {
    open(writeDesign("two.dst", twoBlocks()));
    int nested = 0;
    window->setEventPump([&] {
        if (nested++ == 5) window->draw();  // a click on "Draw" while the pass runs
    });
    window->draw();
    EXPECT_FALSE(window->passRunning());
    QCoreApplication::processEvents();  // the new pass runs once the old one has unwound
    EXPECT_EQ(statistics().size(), 2);
    EXPECT_EQ(caption(), "Total Estimated Time: 30Minutes");  // 7/100 + 2 x 10 + 10 = 30.07
    EXPECT_GT(nested, 6 * 11);
}

TEST_F(PreviewTest, EscapeEndsAPassEarlyAndCloseEndsItCleanly) {
    open(writeDesign("two.dst", twoBlocks()));
    int calls = 0;
    window->setEventPump([&] {
        if (++calls == 1) QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    window->control<QGroupBox>("Frame3")->setTitle("Estimated Time");
    window->draw();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(statistics().isEmpty());
    EXPECT_NE(caption(), "Estimated Time");  // the total still shows
    EXPECT_EQ(cellColour(0), qcolour(1)) << "the colour being stitched keeps its swatch";

    calls = 0;
    window->setEventPump([&] {
        if (++calls == 1) window->close();
    });
    window->show();
    window->draw();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(window->passRunning());
}

}  // namespace
}  // namespace tessaline::testing
