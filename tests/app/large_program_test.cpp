// The G-code pane with a program of hundreds of thousands of lines: streamed in whole, counted,
// and coloured only where it is shown.

#include "WindowFixture.h"
#include "app/GcodeLexer.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"

#include <QLabel>

#include <fstream>
#include <sstream>

namespace tessaline::testing {
namespace {

class LargeProgramTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Enough lines that the scratch file spans many read chunks.
        test::DstTestEncoder design;
        for (int i = 0; i < kRecords - 1; ++i) {
            if (i % 5000 == 4999) {
                design.colourChange();
            } else {
                design.stitch((i % 40) < 20 ? 3 : -3, (i % 7) - 3);
            }
        }
        design.end();
        open(writeDesign("large.dst", design));
        ASSERT_TRUE(dialogs.messages.empty());
    }

    GcodePane* pane() const { return window->control<GcodePane>("RGcode"); }
    int styleAtLine(int line) const {
        return static_cast<int>(pane()->SendScintilla(
            QsciScintillaBase::SCI_GETSTYLEAT,
            static_cast<unsigned long>(pane()->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)))));
    }

    static constexpr int kRecords = 150000;
};

TEST_F(LargeProgramTest, PaneHoldsTheWholeScratchFileLineForLine) {
    std::ifstream in(window->scratchPath(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    QString expected = QString::fromStdString(bytes.str());
    const auto fileLines = expected.count(QStringLiteral("\r\n"));
    ASSERT_GT(fileLines, 2 * kRecords);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    expected.chop(1);
    EXPECT_EQ(pane()->text(), expected);

    EXPECT_EQ(getLineInfo(*pane(), 7).toInt(), fileLines);
    EXPECT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("No. of Gcode Lines: %1").arg(fileLines));
    pane()->setCursorPosition(static_cast<int>(fileLines - 1), 1);
    EXPECT_EQ(getLineInfo(*pane(), 8).toString(), "M30");
    EXPECT_EQ(getLineInfo(*pane(), 3).toInt(), fileLines - 1);
    // Loading is not an edit the user could undo.
    EXPECT_FALSE(pane()->isUndoAvailable());
}

TEST_F(LargeProgramTest, ColoursWhatIsShownAfterJumpsBothWays) {
    window->show();
    const int last = getLineInfo(*pane(), 7).toInt() - 1;
    pane()->grab();  // paints the top
    EXPECT_EQ(styleAtLine(0), GcodeLexer::Comment);
    EXPECT_EQ(styleAtLine(last / 2), GcodeLexer::Unstyled);

    pane()->setCursorPosition(last, 0);
    pane()->ensureLineVisible(last);
    pane()->grab();
    EXPECT_EQ(styleAtLine(last), GcodeLexer::MWord);      // M30
    EXPECT_EQ(styleAtLine(last / 2), GcodeLexer::Unstyled);  // passed over, not coloured

    // Back into the passed-over middle: coloured on its way into view.
    pane()->setCursorPosition(last / 2, 0);
    pane()->ensureLineVisible(last / 2);
    pane()->grab();
    EXPECT_NE(styleAtLine(last / 2), GcodeLexer::Unstyled);
    EXPECT_NE(styleAtLine(last / 2), GcodeLexer::Plain);
}

}  // namespace
}  // namespace tessaline::testing
