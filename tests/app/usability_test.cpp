// The window in a person's hands: thread colours that read on every pane, a statistics pane that
// stays in its frame however many colours, Tab out of the G-code pane, a red caption that greys
// when disabled, and help without a display.

#include "WindowFixture.h"
#include "app/ColourLegend.h"
#include "app/GcodePane.h"
#include "app/Legibility.h"
#include "app/MainWindowForm.h"
#include "common/Version.h"
#include "design/DesignFormat.h"
#include "preview/DesignColours.h"
#include "preview/model/ThreadPalette.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

namespace tessaline::testing {
namespace {

TEST(LegibilityTest, ContrastRatioRunsFromOneToTwentyOne) {
    const struct {
        QColor a, b;
        double low, high;
    } cases[] = {
        {Qt::black, Qt::white, 20.99, 21.01},
        {Qt::white, Qt::black, 20.99, 21.01},
        {QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77), 1.0, 1.0},
        {QColor(255, 255, 242), Qt::white, 1.0, 1.05},  // ivory on white: unreadable
        {Qt::yellow, Qt::white, 1.0, 1.1},
        {QColor(0x76, 0x76, 0x76), Qt::white, 4.5, 4.6},  // the lightest grey with 4.5:1 on white
    };
    for (const auto& c : cases) {
        const double ratio = contrastRatio(c.a, c.b);
        EXPECT_GE(ratio, c.low) << c.a.name().toStdString() << " on " << c.b.name().toStdString();
        EXPECT_LE(ratio, c.high) << c.a.name().toStdString() << " on " << c.b.name().toStdString();
    }
}

TEST(LegibilityTest, TheContrastingColourReadsOnEveryThread) {
    std::vector<QColor> colours{Qt::white, QColor(255, 255, 242), Qt::yellow, Qt::black, QColor(0, 0, 128),
                                QColor(128, 128, 128), QColor(118, 118, 118)};
    for (int k = 1; k <= kThreadColourCount; ++k) colours.push_back(threadColourOf(nullptr, k));
    for (const QColor& colour : colours) {
        EXPECT_GE(contrastRatio(contrastingColour(colour), colour), 4.5) << colour.name().toStdString();
        EXPECT_TRUE(readsOn(contrastingColour(colour), colour));
    }
}

// The legend of one design whose thread is `thread`, on a bare form.
class LegendTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildForm(&form);
    }
    QTextEdit* statistics() const { return form.findChild<QTextEdit*>("RTET"); }
    QLabel* bar() const { return form.findChild<QLabel*>("Label17_36"); }
    QColor frameColour() const { return form.findChild<QGroupBox*>("Frame3")->palette().color(QPalette::Window); }

    QWidget form;
};

TEST_F(LegendTest, EveryStatisticsLineAndBarReadsWhateverTheThread) {
    const QColor threads[] = {Qt::white, QColor(255, 255, 242), Qt::yellow, QColor(230, 230, 230),
                              Qt::black, QColor(0, 0, 128), QColor(200, 0, 0)};
    for (const QColor& thread : threads) {
        SCOPED_TRACE(thread.name().toStdString());
        DesignColours colours;
        colours.setThreads({thread, thread});
        ColourLegend legend(&form);
        legend.setDesignCounts(10, 2);
        legend.setColours(&colours);
        legend.begin();
        legend.endColourBlock(1, 6, 2);
        legend.finish(2);

        // The line: its text against the band behind it, or the pane where it has none.
        QTextCursor cursor(statistics()->document()->firstBlock());
        cursor.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat format = cursor.charFormat();
        EXPECT_EQ(format.foreground().color(), thread) << "the line keeps its thread's colour";
        const bool banded = format.background().style() != Qt::NoBrush;
        const QColor behind = banded ? format.background().color() : statistics()->palette().color(QPalette::Base);
        EXPECT_TRUE(readsOn(thread, behind)) << "on " << behind.name().toStdString();
        // Colours that read on the pane are left as they always were.
        EXPECT_EQ(banded, !readsOn(thread, statistics()->palette().color(QPalette::Base)));

        // The bar: its fill against the frame, or an outline that stands out from the frame.
        EXPECT_EQ(bar()->palette().color(QPalette::Window), thread);
        if (readsOn(thread, frameColour())) {
            EXPECT_EQ(bar()->frameShape(), QFrame::NoFrame);
        } else {
            EXPECT_EQ(bar()->frameShape(), QFrame::Box);
            EXPECT_TRUE(readsOn(bar()->palette().color(QPalette::WindowText), frameColour()));
        }
    }
}

// Bars and the statistics pane share the frame's row: the pane keeps its width and its frame,
// and no shown bar lies beneath it, however many colours.
TEST_F(LegendTest, ThePaneStaysWholeInItsFrameWhateverTheColours) {
    const QRect home = statistics()->geometry();
    const auto* frame = form.findChild<QGroupBox*>("Frame3");
    for (const int colours : {2, 3, 19, 20, 21, 35, 36, 100, 4000}) {
        SCOPED_TRACE(colours);
        ColourLegend legend(&form);
        legend.setDesignCounts(10, colours);
        legend.begin();
        for (int ended = 1; ended < colours; ++ended) legend.endColourBlock((ended - 1) % 34 + 1, 1, ended % 34 + 1);
        legend.finish(colours % 34 + 1);
        const QRect pane = statistics()->geometry();
        EXPECT_EQ(pane.size(), home.size());
        EXPECT_LE(pane.right(), frame->width() - 1);
        EXPECT_EQ(statistics()->document()->blockCount() - 1, colours - 1) << "one line per ended block";
        int shown = 0;
        for (int i = 36; i <= 70; ++i) {
            const QLabel* bar = form.findChild<QLabel*>(QStringLiteral("Label17_%1").arg(i));
            if (bar->isHidden()) continue;
            ++shown;
            EXPECT_LT(bar->geometry().right(), pane.left()) << "bar " << i;
            EXPECT_GT(bar->width(), 0);
        }
        EXPECT_EQ(shown, std::min(colours - 1, 34));
    }
}

// The hoop warning wraps within the pane rather than running out of sight.
TEST_F(LegendTest, ALongWarningWrapsWithinThePane) {
    form.resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    form.show();
    ColourLegend legend(&form);
    legend.setDesignCounts(10, 2);
    legend.begin();
    const QString warning = QStringLiteral("Warning: Does not fit the 100 mm hoop: it reaches 123.45 mm beyond its edge.");
    legend.warn(warning);
    legend.endColourBlock(1, 6, 2);
    legend.finish(2);
    QApplication::processEvents();
    EXPECT_EQ(statistics()->document()->firstBlock().text(), warning);
    EXPECT_GT(statistics()->fontMetrics().horizontalAdvance(warning), statistics()->viewport()->width())
        << "the warning is wider than the pane, as it is in the window";
    EXPECT_LE(statistics()->document()->size().width(), statistics()->viewport()->width());
    EXPECT_EQ(statistics()->horizontalScrollBar()->maximum(), 0);
}

class WindowKeysTest : public WindowTest {};

TEST_F(WindowKeysTest, TabAndShiftTabLeaveTheGcodePane) {
    test::DstTestEncoder design;
    design.stitch(10, 0).stitch(0, 20).end();
    open(writeDesign("keys.dst", design));
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* pane = control<GcodePane>("RGcode");
    const QString program = pane->text();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } moves[] = {{Qt::Key_Tab, Qt::NoModifier}, {Qt::Key_Backtab, Qt::ShiftModifier}};
    for (const auto& move : moves) {
        pane->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), pane);
        QTest::keyClick(pane, move.key, move.modifiers);
        EXPECT_NE(QApplication::focusWidget(), pane);
        EXPECT_EQ(pane->text(), program) << "no tab typed";
    }
    // Tab from the pane reaches the command row at once.
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control<QPushButton>("Command5"));
    // Ctrl+Tab types a tab where one is wanted.
    pane->setFocus();
    pane->setCursorPosition(0, 0);
    QTest::keyClick(pane, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), pane);
    EXPECT_EQ(pane->text(), QLatin1Char('\t') + program);
}

TEST_F(WindowKeysTest, TheRedCaptionGreysWhenDisabled) {
    auto* m786 = control<QCheckBox>("M786");
    const auto* plain = control<QCheckBox>("M02");
    EXPECT_EQ(m786->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(m786->palette().color(QPalette::Inactive, QPalette::ButtonText), QColor(Qt::red));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText}) {
        EXPECT_NE(m786->palette().color(QPalette::Disabled, role), QColor(Qt::red));
        EXPECT_EQ(m786->palette().color(QPalette::Disabled, role), plain->palette().color(QPalette::Disabled, role));
    }
}

// Help and version come before the window system is asked for a display.
TEST(StartWithoutDisplayTest, HelpAndVersionAnswerWithoutADisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    const struct {
        const char* option;
        std::function<void(const QString&)> check;
    } cases[] = {
        {"--help",
         [](const QString& out) {
             EXPECT_TRUE(out.contains("Usage:"));
             for (const DesignFormat format : readableFormats())
                 EXPECT_TRUE(out.contains(QString::fromLatin1(formatName(format).data(), formatName(format).size())))
                     << formatName(format);
         }},
        {"-h", [](const QString& out) { EXPECT_TRUE(out.contains("--version")); }},
        {"--version",
         [](const QString& out) { EXPECT_EQ(out.trimmed(), "Tessaline " + QString::fromStdString(versionText())); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TESSALINE_APP), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        c.check(QString::fromUtf8(program.readAllStandardOutput()));
    }
}

}  // namespace
}  // namespace tessaline::testing
