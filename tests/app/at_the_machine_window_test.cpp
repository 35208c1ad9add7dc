// File > "Save Gcode from Stitch…" and "Save Outline Trace…" in the window.

#include "WindowFixture.h"
#include "app/GcodePane.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>


namespace tessaline::testing {
namespace {

class AtTheMachineWindowTest : public WindowTest {
protected:
    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }
};

TEST_F(AtTheMachineWindowTest, ResumesAtTheCaretsStitchAndTracesTheOutline) {
    EXPECT_FALSE(action("mnuSaveFromStitch")->isEnabled());
    EXPECT_FALSE(action("mnuSaveOutlineTrace")->isEnabled());
    test::DstTestEncoder design;  // needle moves: the jump, then three stitches
    design.jump(10, 0).stitch(0, 20).stitch(10, 0).colourChange().stitch(-20, -20).end();
    open(writeDesign("four.dst", design));
    ASSERT_TRUE(action("mnuSaveFromStitch")->isEnabled());

    // The caret on the third needle move's line (its needle word is the fifth: Z50) is offered.
    auto* pane = window->control<GcodePane>("RGcode");
    const QStringList lines = pane->text().split('\n');
    const int line = static_cast<int>(lines.indexOf(QRegularExpression("^G01 X1 Y-2 Z50 $")));
    ASSERT_GE(line, 0) << pane->text().toStdString();
    pane->setCursorPosition(line, 3);
    dialogs.numberAnswer = 3;
    dialogs.fileNames.push_back(folder.filePath("resume"));
    action("mnuSaveFromStitch")->trigger();
    EXPECT_EQ(dialogs.offeredNumber, 3);
    EXPECT_EQ(dialogs.numberMaximum, 4);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text.toStdString();
    const std::string resumed = readFileBytes(folder.filePath("resume.GC"));
    EXPECT_NE(resumed.find("(RESUME AT NEEDLE MOVE 3- Thread Color 1)\r\nM09\r\nG00 X1 Y-2 \r\nG92 Z40\r\nG01 X1 Y-2 Z50 \r\n"),
              std::string::npos)
        << resumed;

    // The caret on that move's stroke line offers the same move.
    pane->setCursorPosition(line + 1, 2);
    dialogs.numberAnswer.reset();
    action("mnuSaveFromStitch")->trigger();
    EXPECT_EQ(dialogs.offeredNumber, 3);

    // Cancelling the number writes nothing.
    dialogs.fileNames.push_back(folder.filePath("never"));
    action("mnuSaveFromStitch")->trigger();
    EXPECT_FALSE(QFile::exists(folder.filePath("never.GC")));
    dialogs.fileNames.clear();

    dialogs.fileNames.push_back(folder.filePath("trace.NC"));
    action("mnuSaveOutlineTrace")->trigger();
    const std::string trace = readFileBytes(folder.filePath("trace.NC"));
    EXPECT_NE(trace.find("G00 X0 Y-2 \r\nG4 P0.5\r\nG00 X2 Y-2 \r\nG4 P0.5\r\nG00 X2 Y0 \r\nG4 P0.5\r\n"), std::string::npos)
        << trace;
    EXPECT_EQ(trace.find('Z'), std::string::npos);
}

// A re-basing profile's header states the needle travel: the move offered is still the one on the
// caret's line of the program shown.
TEST_F(AtTheMachineWindowTest, OffersTheCaretsMoveBelowAProfilesLongerHeader) {
    for (QAction* action : window->findChild<QMenu*>("mnuMachine")->actions()) {
        if (action->text() == "grbl 1.1") action->trigger();
    }
    test::DstTestEncoder design;  // needle moves: the jump, then three stitches
    design.jump(10, 0).stitch(0, 20).stitch(10, 0).colourChange().stitch(-20, -20).end();
    open(writeDesign("four.dst", design));
    auto* pane = window->control<GcodePane>("RGcode");
    const QStringList lines = pane->text().split('\n');
    ASSERT_TRUE(pane->text().contains("Needle axis travel")) << pane->text().toStdString();
    const struct {
        const char* line;
        int move;
    } cases[] = {{"^G1 X1 Y0 Z10$", 2}, {"^G1 X1 Y-2 Z30$", 3}, {"^G1 Z40$", 3}, {"^G1 X2 Y-2 Z10$", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const int line = static_cast<int>(lines.indexOf(QRegularExpression(QString::fromLatin1(c.line))));
        ASSERT_GE(line, 0) << pane->text().toStdString();
        pane->setCursorPosition(line, 1);
        dialogs.offeredNumber = 0;
        action("mnuSaveFromStitch")->trigger();
        EXPECT_EQ(dialogs.offeredNumber, c.move);
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tessaline::testing
