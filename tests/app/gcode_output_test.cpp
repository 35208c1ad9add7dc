// The G-code pane in the window: refresh after a load, "Populate", "SAVE GCODE", the options.

#include "WindowFixture.h"
#include "app/CanvasWidget.h"
#include "app/GcodePane.h"
#include "app/LineQuery.h"
#include "common/NumberFormat.h"
#include "common/ValueChecks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fstream>
#include <sstream>

namespace tessaline::testing {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class GcodeOutputTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        test::DstTestEncoder design;
        design.jump(0, 0).stitch(10, 20).stitch(5, 0).colourChange().stitch(-10, 0).end();
        open(writeDesign("sample.dst", design));
        ASSERT_TRUE(dialogs.messages.empty());
    }
    GcodePane* pane() const { return window->control<GcodePane>("RGcode"); }
    QStringList lines() const { return pane()->text().split('\n'); }
};

TEST_F(GcodeOutputTest, LoadFillsThePaneFromTheScratchFile) {
    const std::string scratch = readFile(window->scratchPath());
    ASSERT_FALSE(scratch.empty());
    QString expected = QString::fromStdString(scratch);
    expected.replace("\r\n", "\n");
    expected.chop(1);
    EXPECT_EQ(pane()->text(), expected);
    EXPECT_EQ(lines().front(), "(The Gcode created with Tessaline V2.4.8)");
    EXPECT_EQ(lines()[2], "(File Name: sample.dst)");
    EXPECT_EQ(lines().back(), "M30");
    auto* label = window->control<QLabel>("Label1");
    EXPECT_EQ(label->text(), QStringLiteral("No. of Gcode Lines: %1").arg(lines().size()));
    EXPECT_TRUE(label->isVisibleTo(window.get()));
    EXPECT_EQ(window->scratchPath().parent_path(), window->storePath().parent_path());
}

// The figures' labels are only shown: text put into them changes neither the program, nor the
// picture's scale, nor the legend's total.
TEST_F(GcodeOutputTest, LabelsAreShownNeverReadBack) {
    const QString program = pane()->text();
    const QString total = window->control<QGroupBox>("Frame3")->title();
    ASSERT_TRUE(total.contains("Total")) << total.toStdString();
    const QImage picture = window->control<CanvasWidget>("Picture1")->image();
    for (const char* name : {"Fname", "lblH", "lblW", "lblStitch", "LblColor"})
        window->control<QLabel>(QString::fromLatin1(name))->setText("7777");
    window->populateGcode();
    EXPECT_EQ(pane()->text(), program);
    window->draw();
    EXPECT_EQ(window->control<GcodePane>("RGcode")->text(), program);
    EXPECT_EQ(window->control<QGroupBox>("Frame3")->title(), total);
    EXPECT_TRUE(window->control<CanvasWidget>("Picture1")->image() == picture);
    EXPECT_TRUE(dialogs.messages.empty());
}

// A hoop diameter that is no size stops the replay before it starts, with the reason.
TEST_F(GcodeOutputTest, AHoopOfNoSizeIsRefusedBeforeDrawing) {
    for (const char* diameter : {"0", "-5", "wide"}) {
        SCOPED_TRACE(diameter);
        dialogs.messages.clear();
        window->control<QComboBox>("cmbHoopDia")->setEditText(QString::fromLatin1(diameter));
        window->draw();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text.toStdString(),
                  "The design was not drawn:\n" + *hoopDiameterProblem(parseLenient(diameter)));
    }
    window->control<QComboBox>("cmbHoopDia")->setEditText("150");
    dialogs.messages.clear();
    window->draw();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(GcodeOutputTest, HoverGivesTheLineCountAsTooltip) {
    auto* label = window->control<QLabel>("Label1");
    QTest::mouseMove(label, QPoint(2, 2));
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(label, &enter);
    EXPECT_EQ(label->toolTip(), label->text());
}

TEST_F(GcodeOutputTest, OptionsApplyAtTheNextPopulateOnly) {
    const QString before = pane()->text();
    EXPECT_TRUE(before.contains("G01 X1 Y-2 Z50 "));
    QTest::mouseClick(window->control<QCheckBox>("Xinrt"), Qt::LeftButton);
    EXPECT_TRUE(window->invertX());
    EXPECT_EQ(pane()->text(), before);
    window->control<QCheckBox>("G64")->setChecked(false);
    window->control<QCheckBox>("M786")->setChecked(false);
    window->control<QComboBox>("CmbZmotorCounter")->setCurrentText("1");
    window->control<QComboBox>("cmbFeed")->setEditText("2500.5");
    QTest::mouseClick(window->control<QPushButton>("Command6"), Qt::LeftButton);
    const QStringList now = lines();
    EXPECT_TRUE(now.contains("G01 X-1 Y-2 Z5 "));
    EXPECT_TRUE(now.contains("F 2500.5"));
    EXPECT_FALSE(now.contains("G64"));
    EXPECT_FALSE(now.contains("M786"));
    EXPECT_EQ(lines().size() + 2, before.split('\n').size());
    QTest::mouseClick(window->control<QCheckBox>("Xinrt"), Qt::LeftButton);
    window->populateGcode();
    EXPECT_TRUE(lines().contains("G01 X1 Y-2 Z5 "));
}

TEST_F(GcodeOutputTest, NotesWithALineBreakKeepTheProgramsLineEnds) {
    window->control<QPlainTextEdit>("RimpNotes")->setPlainText("first\nsecond");
    window->populateGcode();
    EXPECT_NE(readFile(window->scratchPath()).find("(Important Notes: first)\r\n(second)\r\n"), std::string::npos);
}

TEST_F(GcodeOutputTest, AFeedHoldingALetterIsRefusedAtPopulateAndSave) {
    const QString program = pane()->text();
    window->control<QComboBox>("cmbFeed")->setEditText("1500 G0 X50");
    window->populateGcode();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("1500 G0 X50"));
    EXPECT_EQ(pane()->text(), program);
    dialogs.fileNames.push_back(folder.filePath("feed.GC"));
    window->saveGcode();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[1].text.contains("feed.GC was not written"));
    EXPECT_FALSE(QFile::exists(folder.filePath("feed.GC")));
}

TEST_F(GcodeOutputTest, SaveRegeneratesAndWritesTheScratchBytes) {
    pane()->setText("an edit that the save throws away");
    const QString target = folder.filePath("out.GC");
    dialogs.fileNames.push_back(target);
    QTest::mouseClick(window->control<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.empty());
    const auto& dialog = dialogs.fileDialogs.back();
    EXPECT_EQ(dialog.title, "Save As");
    EXPECT_EQ(dialog.filters, (QStringList{"Gcode (*.GC)", "NC file (*.NC)", "All Files (*)"}));
    EXPECT_EQ(dialog.selected, "Gcode (*.GC)");
    const std::string saved = readFile(target.toStdString());
    EXPECT_EQ(saved, readFile(window->scratchPath()));
    EXPECT_TRUE(saved.ends_with("M30\r\n"));
    EXPECT_FALSE(pane()->text().contains("an edit"));
}

TEST_F(GcodeOutputTest, NameWithoutExtensionGetsTheFiltersExtension) {
    dialogs.fileNames.push_back(folder.filePath("plain"));
    window->saveGcode();
    EXPECT_TRUE(QFile::exists(folder.filePath("plain.GC")));
    dialogs.saveFilter = "NC file (*.NC)";
    dialogs.fileNames.push_back(folder.filePath("machine"));
    window->saveGcode();
    EXPECT_TRUE(QFile::exists(folder.filePath("machine.NC")));
    dialogs.fileNames.push_back(folder.filePath("kept.txt"));
    window->saveGcode();
    EXPECT_TRUE(QFile::exists(folder.filePath("kept.txt")));
}

TEST_F(GcodeOutputTest, CancelledSaveChangesNothing) {
    pane()->setText("edited");
    window->saveGcode();
    EXPECT_EQ(pane()->text(), "edited");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(GcodeOutputTest, FailedSaveSaysWhyAndKeepsWhatWasThere) {
    // A folder stands where the file would go: nothing may replace it.
    QDir(folder.path()).mkdir("taken.GC");
    dialogs.fileNames.push_back(folder.filePath("taken.GC"));
    window->saveGcode();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.messages[0].text.contains(folder.filePath("taken.GC")));
    EXPECT_TRUE(QFileInfo(folder.filePath("taken.GC")).isDir());
}

TEST_F(GcodeOutputTest, UnwritableScratchFileGivesAMessageAndKeepsThePane) {
    const QString program = pane()->text();
    std::filesystem::remove(window->scratchPath());
    std::filesystem::create_directory(window->scratchPath());  // the scratch name is taken by a folder
    window->populateGcode();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("Gcodedst.txt"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("not refreshed"));
    EXPECT_EQ(pane()->text(), program);
}

TEST_F(GcodeOutputTest, ZBoxesFollowZMovesAndTakeOnlyNumberCharacters) {
    auto* z = window->control<QLineEdit>("txtZ");
    auto* shortZ = window->control<QLineEdit>("TxtSZ");
    QTest::keyClicks(z, "5");
    EXPECT_EQ(z->text(), "-8");  // disabled: no input at all
    QTest::mouseClick(window->control<QRadioButton>("Zmove"), Qt::LeftButton);  // already selected
    EXPECT_TRUE(window->control<QRadioButton>("Zmove")->isChecked());
    EXPECT_TRUE(z->isEnabled());
    EXPECT_EQ(z->toolTip(), "Value of Z");
    EXPECT_TRUE(shortZ->isEnabled());
    z->clear();
    QTest::keyClicks(z, "a-b-8c.d.+9");
    EXPECT_EQ(z->text(), "--8..+9");
    QTest::keyClick(z, Qt::Key_Backspace);
    EXPECT_EQ(z->text(), "--8..+");
    shortZ->clear();
    QTest::keyClicks(shortZ, "x1.5y");
    EXPECT_EQ(shortZ->text(), "1.5");
}

TEST_F(GcodeOutputTest, SavedProgramEqualsTheConvertersOutput) {
    window->control<QCheckBox>("Yinrt")->click();
    window->control<QCheckBox>("G21")->setChecked(false);
    window->control<QComboBox>("CmbZmotorCounter")->setCurrentText("7");
    window->control<QComboBox>("cmbFeed")->setEditText("2200");
    window->control<QPlainTextEdit>("RimpNotes")->setPlainText("linen, hoop B");
    const QString saved = folder.filePath("window.GC");
    dialogs.fileNames.push_back(saved);
    window->saveGcode();

    const QString converted = folder.filePath("cli.GC");
    QProcess cli;
    cli.start(QStringLiteral(TESSALINE_CLI),
              {"convert", folder.filePath("sample.dst"), "-o", converted, "--invert-y", "--no-g21", "--z-step", "7",
               "--feed", "2200", "--notes", "linen, hoop B"});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(converted.toStdString()), readFile(saved.toStdString()));
}

TEST(LineQueryTest, SelectorsDescribeTheLineHoldingTheSelectionStart) {
    GcodePane box;
    box.setText("A\nG01 X12.5 Y-3.25 \nB");
    EXPECT_EQ(getLineInfo(box, 7).toInt(), 3);
    box.setSelection(1, 4, 2, 0);  // from inside the second line into the third
    EXPECT_EQ(getLineInfo(box, 3).toInt(), 1);
    EXPECT_EQ(getLineInfo(box, 4).toInt(), 6);
    EXPECT_EQ(getLineInfo(box, 5).toInt(), 2);
    EXPECT_EQ(getLineInfo(box, 6).toInt(), 17);
    EXPECT_EQ(getLineInfo(box, 8).toString(), "G01 X12.5 Y-3.25 ");
    EXPECT_EQ(getLineInfo(box, 2).toInt(), 0);
    EXPECT_LE(getLineInfo(box, 1).toInt(), 2);
    for (int other : {0, 9, -1})
        EXPECT_EQ(getLineInfo(box, other).toString(), "This should not happen!! Try Again!!");
    box.setText("A\nB");
    EXPECT_EQ(getLineInfo(box, 7).toInt(), 2);
    const QString longLine(1000, QLatin1Char('X'));
    box.setText(longLine);
    EXPECT_EQ(getLineInfo(box, 8).toString(), longLine);
}

}  // namespace
}  // namespace tessaline::testing
