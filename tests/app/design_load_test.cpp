// "Open DST" in the window: the dialog, the stored records, the figures, and every way it can fail.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "design/WorkStore.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <SQLiteCpp/SQLiteCpp.h>

namespace tessaline::testing {
namespace {


// 3 stitches of one colour, a jump, a colour change, 2 stitches, the end record.
test::DstTestEncoder twoColourDesign() {
    test::DstTestEncoder design;
    design.stitch(10, 0).stitch(0, 20).stitch(-5, 0).jump(30, 0).colourChange().stitch(1, 1).stitch(1, 1).end();
    return design;
}

class DesignLoadTest : public WindowTest {
protected:
    QString text(const char* name) const { return window->control<QLabel>(QString::fromLatin1(name))->text(); }
};

TEST_F(DesignLoadTest, DialogOffersTajimaFilesFirst) {
    open(writeDesign("a.dst", twoColourDesign()));
    ASSERT_FALSE(dialogs.fileDialogs.empty());
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Open DST File");
    const QStringList& filters = dialogs.fileDialogs[0].filters;
    ASSERT_GE(filters.size(), 3);
    EXPECT_EQ(filters.mid(0, 2), (QStringList{"All Files (*)", "Tajima Files (*.dst *.DST)"}));
    // Every readable extension in both cases, then one filter per format besides DST.
    EXPECT_EQ(filters[2], "Embroidery designs (*.dst *.DST *.pes *.PES *.pec *.PEC *.jef *.JEF "
                          "*.exp *.EXP *.vp3 *.VP3 *.xxx *.XXX *.hus *.HUS *.sew *.SEW *.shv *.SHV *.pcs *.PCS)");
    for (const char* pattern : {"Brother PES (*.pes *.PES)", "Janome JEF (*.jef *.JEF)", "Melco EXP (*.exp *.EXP)",
                                "Husqvarna VP3 (*.vp3 *.VP3)", "Singer XXX (*.xxx *.XXX)", "Husqvarna HUS (*.hus *.HUS)",
                                "Janome SEW (*.sew *.SEW)", "Husqvarna SHV (*.shv *.SHV)", "Pfaff PCS (*.pcs *.PCS)"}) {
        EXPECT_TRUE(std::any_of(filters.begin() + 3, filters.end(),
                                [&](const QString& f) { return f.endsWith(QLatin1String(pattern)); }))
            << pattern;
    }
    EXPECT_EQ(dialogs.fileDialogs[0].selected, filters[2]);
}

TEST_F(DesignLoadTest, ShowsTheFiguresAndEnablesTheButtons) {
    open(writeDesign("rose.dst", twoColourDesign()));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(text("Fname"), "rose.dst");
    EXPECT_EQ(window->control<QGroupBox>("Frame1")->title(), "rose.dst");
    EXPECT_EQ(text("lblStitch"), "8");
    EXPECT_EQ(text("LblColor"), "2");
    EXPECT_EQ(text("JStitch"), "1");
    // Reached positions: x 1, 1, 0.5, 3.5, 3.5, 3.6, 3.7; y (negated) 0, -2, -2, -2, -2, -2.1, -2.2.
    EXPECT_EQ(text("MinX"), "0.5 mm");
    EXPECT_EQ(text("MaxX"), "3.7 mm");
    EXPECT_EQ(text("MinY"), "-2.2 mm");
    EXPECT_EQ(text("MaxY"), "0 mm");
    EXPECT_EQ(text("lblW"), "3.2");
    EXPECT_EQ(text("lblH"), "2.2");
    EXPECT_EQ(text("lblHe"), "2.2mm x 3.2mm");
    for (const char* name : {"Command2", "Command3", "Command6"})
        EXPECT_TRUE(window->control<QPushButton>(name)->isEnabled()) << name;
    // The load goes on to the program and the drawing.
    EXPECT_FALSE(window->control<GcodePane>("RGcode")->text().isEmpty());
    EXPECT_TRUE(window->control<QLabel>("Label1")->isVisibleTo(window.get()));
}

TEST_F(DesignLoadTest, StoresOneRowPerRecordAtItsStartPoint) {
    open(writeDesign("a.dst", twoColourDesign()));
    const auto rows = WorkStore(window->storePath()).rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(std::get<std::string>(rows[0][0]), "N");
    EXPECT_EQ(std::get<double>(rows[0][2]), 0.0);
    EXPECT_EQ(std::get<double>(rows[1][2]), 1.0);
    EXPECT_EQ(std::get<std::string>(rows[3][0]), "J");
    EXPECT_EQ(std::get<std::string>(rows[4][0]), "C");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(rows[4][1]));
    EXPECT_EQ(std::get<std::string>(rows[7][0]), "C");
}

TEST_F(DesignLoadTest, CancelKeepsTheLoadedDesignAndItsFigures) {
    open(writeDesign("a.dst", twoColourDesign()));
    const QString program = window->control<GcodePane>("RGcode")->text();
    for (const QString& answer : {QString(), QStringLiteral("/some/folder/")}) {
        dialogs.messages.clear();
        open(answer);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text,
                  " Kindly Select DST File, for which you want to generate Embroidery GCode");
        EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_EQ(dialogs.messages[0].title, "Tessaline");
        EXPECT_EQ(WorkStore(window->storePath()).recordCount(), 8u);
        EXPECT_EQ(text("lblStitch"), "8");
        EXPECT_EQ(window->control<GcodePane>("RGcode")->text(), program);
    }
    // "Populate" after the cancel still writes the loaded design's program.
    window->populateGcode();
    EXPECT_EQ(window->control<GcodePane>("RGcode")->text(), program);
}

TEST_F(DesignLoadTest, OpeningAnotherReplacesEverything) {
    open(writeDesign("a.dst", twoColourDesign()));
    test::DstTestEncoder small;
    small.stitch(1, 0).end();
    open(writeDesign("b.DST", small));
    EXPECT_EQ(WorkStore(window->storePath()).recordCount(), 2u);
    EXPECT_EQ(text("Fname"), "b.DST");
    EXPECT_EQ(text("lblStitch"), "2");
    EXPECT_EQ(text("LblColor"), "1");
    EXPECT_EQ(text("JStitch"), "0");
}

TEST_F(DesignLoadTest, UnreadableFileNamesTheFileAndChangesNothing) {
    open(writeDesign("a.dst", twoColourDesign()));
    for (const QString& bad : {folder.filePath("missing.dst"), folder.path() + "/"  /* a folder */}) {
        dialogs.messages.clear();
        // A folder chosen by its name without the trailing separator.
        open(bad.endsWith('/') ? folder.path() : bad);
        ASSERT_EQ(dialogs.messages.size(), 1u) << bad.toStdString();
        EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_TRUE(dialogs.messages[0].text.contains(bad.endsWith('/') ? folder.path() : bad));
        EXPECT_EQ(text("Fname"), "a.dst");
        EXPECT_EQ(WorkStore(window->storePath()).recordCount(), 8u);
    }
}

TEST_F(DesignLoadTest, EmptyDesignShowsZeroExtents) {
    open(writeDesign("empty.dst", test::DstTestEncoder()));
    EXPECT_EQ(text("lblStitch"), "0");
    EXPECT_EQ(text("LblColor"), "1");
    EXPECT_EQ(text("MinX"), "0 mm");
    EXPECT_EQ(text("MaxY"), "0 mm");
    EXPECT_EQ(text("lblHe"), "0mm x 0mm");
    EXPECT_TRUE(window->control<QPushButton>("Command2")->isEnabled());
}

TEST_F(DesignLoadTest, StoreFailureKeepsThePreviousDesign) {
    open(writeDesign("a.dst", twoColourDesign()));
    {
        // Another program holds the store for writing for longer than a load waits.
        SQLite::Database other(window->storePath().string(), SQLite::OPEN_READWRITE);
        other.exec("BEGIN EXCLUSIVE");
        test::DstTestEncoder small;
        small.stitch(1, 0).end();
        open(writeDesign("b.dst", small));
        other.exec("ROLLBACK");
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
    EXPECT_EQ(WorkStore(window->storePath()).recordCount(), 8u);
    EXPECT_EQ(text("Fname"), "a.dst");
}

}  // namespace
}  // namespace tessaline::testing
