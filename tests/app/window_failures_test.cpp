// Failures in the window: a load whose program cannot be written shows one design, whole; no
// exception from an action ends the program; a failed save says truly what it left behind.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "common/AtomicFile.h"
#include "gcode/GcodeGenerator.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>

#include <cerrno>
#include <functional>
#include <stdexcept>

namespace tessaline::testing {
namespace {

test::DstTestEncoder oneColour() {
    test::DstTestEncoder design;
    design.stitch(10, 0).stitch(0, 20).stitch(-5, 0).end();
    return design;
}

test::DstTestEncoder threeColours() {
    test::DstTestEncoder design;
    design.stitch(-30, 7).stitch(20, 7).colourChange().stitch(40, 40).jump(5, 5).colourChange().stitch(1, 1).end();
    return design;
}

// What the window shows of a design: figures, program, its count, the legend and the estimate.
struct Shown {
    QString fileName, stitches, colours, program, lineCount, statistics, estimate;
    bool operator==(const Shown&) const = default;
};

class WindowFailureTest : public WindowTest {
protected:
    Shown shown() const {
        return {control<QLabel>("Fname")->text(),
                control<QLabel>("lblStitch")->text(),
                control<QLabel>("LblColor")->text(),
                control<GcodePane>("RGcode")->text(),
                control<QLabel>("Label1")->text(),
                control<QTextEdit>("RTET")->toPlainText(),
                control<QGroupBox>("Frame3")->title()};
    }
};

TEST_F(WindowFailureTest, AProgramThatCannotBeWrittenDuringALoadLeavesTheNewDesignWithAnEmptyPane) {
    const QString first = writeDesign("first.dst", oneColour());
    const QString second = writeDesign("second.dst", threeColours());
    // How the second design looks when everything works, for comparison.
    open(second);
    ASSERT_TRUE(dialogs.messages.empty());
    const Shown whole = shown();

    for (const int error : {ENOSPC, EIO}) {
        open(first);
        ASSERT_TRUE(dialogs.messages.empty());
        dialogs.messages.clear();
        injectWriteFault(window->scratchPath(), 40, error);
        open(second);
        clearWriteFaults();

        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_TRUE(dialogs.messages[0].text.contains("second.dst is shown without a program"))
            << dialogs.messages[0].text.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.contains(QString::fromLocal8Bit(std::strerror(error))));
        // Everything is the second design's, and the pane holds no program of the first.
        const Shown now = shown();
        EXPECT_EQ(now.fileName, whole.fileName);
        EXPECT_EQ(now.stitches, whole.stitches);
        EXPECT_EQ(now.colours, whole.colours);
        EXPECT_EQ(now.statistics, whole.statistics);
        EXPECT_EQ(now.estimate, whole.estimate);
        EXPECT_TRUE(now.program.isEmpty());
        EXPECT_FALSE(now.lineCount.contains("Lines")) << now.lineCount.toStdString();
        EXPECT_TRUE(control<QLabel>("Label1")->isVisibleTo(window.get()));

        // Populate makes the program once the disk takes it again.
        dialogs.messages.clear();
        window->populateGcode();
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(shown(), whole);
    }
}

// An action whose work throws something unexpected: the user is told which action failed and
// why, and the window goes on working.
TEST_F(WindowFailureTest, AnExceptionFromAnActionBecomesAMessageNamingIt) {
    open(writeDesign("first.dst", oneColour()));
    ASSERT_TRUE(dialogs.messages.empty());
    const auto button = [this](const char* name) {
        return [this, name] { control<QPushButton>(name)->click(); };
    };
    const auto menu = [this](const char* name) {
        return [this, name] { window->findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
    };
    const struct {
        const char* action;
        std::function<void()> trigger;
        std::function<void()> arm;  // makes the action's work throw
    } cases[] = {
        {"Open DST", button("Command5"), [this] { window->setEventPump([] { throw std::runtime_error("pump broke"); }); }},
        {"Open DST", menu("mnuOpenDst"), [this] { window->setEventPump([] { throw std::bad_alloc(); }); }},
        {"Draw", button("Command2"), [this] { window->setEventPump([] { throw std::runtime_error("pump broke"); }); }},
        {"Simulate", menu("mnuSimulate"), [this] { window->setEventPump([] { throw 42; }); }},
    };
    const QString design = folder.filePath("first.dst");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        dialogs.messages.clear();
        dialogs.fileNames = {design};
        c.arm();
        c.trigger();
        window->setEventPump([this] { ++pumped; });
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
        EXPECT_TRUE(dialogs.messages[0].text.startsWith(QLatin1String(c.action) + " could not be finished"))
            << dialogs.messages[0].text.toStdString();
        EXPECT_FALSE(window->passRunning()) << "the broken pass is over";

        // The same action works once nothing throws.
        dialogs.messages.clear();
        dialogs.fileNames = {design};
        pumped = 0;
        c.trigger();
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_GT(pumped, 0);
        EXPECT_FALSE(control<GcodePane>("RGcode")->text().isEmpty());
    }
}

TEST_F(WindowFailureTest, TheReasonOfAnUnexpectedFailureIsShown) {
    open(writeDesign("first.dst", oneColour()));
    const struct {
        std::function<void()> thrower;
        const char* reason;
    } cases[] = {
        {[] { throw std::runtime_error("the pump broke"); }, "the pump broke"},
        {[] { throw std::filesystem::filesystem_error("no such folder", std::error_code(ENOENT, std::generic_category())); },
         "no such folder"},
        {[] { throw 7; }, "an unexpected error"},
    };
    for (const auto& c : cases) {
        dialogs.messages.clear();
        window->setEventPump(c.thrower);
        control<QPushButton>("Command2")->click();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_TRUE(dialogs.messages[0].text.contains(c.reason)) << dialogs.messages[0].text.toStdString();
    }
}

// A save that fails says that an earlier file is as it was only where there was one.
TEST_F(WindowFailureTest, AFailedSaveSaysWhatItLeftBehind) {
    open(writeDesign("first.dst", oneColour()));
    const QString earlier = folder.filePath("earlier.GC");
    {
        QFile file(earlier);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the user's program");
    }
    const QString absent = folder.filePath("absent.GC");
    const struct {
        QString name;
        const char* said;
        const char* unsaid;
    } cases[] = {
        {earlier, "earlier.GC is as it was", "not created"},
        {absent, "absent.GC was not created", "as it was"},
        {QStringLiteral("/proc/x"), "/proc/x.GC was not created", "as it was"},
    };
    const std::function<void()> saves[] = {
        [this] { window->saveGcode(); },
        [this] { window->findChild<QAction*>("mnuSaveOutlineTrace")->trigger(); },
    };
    for (const auto& save : saves) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name.toStdString());
            dialogs.messages.clear();
            dialogs.fileNames = {c.name};
            if (!c.name.startsWith("/proc")) injectWriteFault(QFile::encodeName(c.name).toStdString(), 5, ENOSPC);
            save();
            clearWriteFaults();
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_TRUE(dialogs.messages[0].text.contains(c.said)) << dialogs.messages[0].text.toStdString();
            EXPECT_FALSE(dialogs.messages[0].text.contains(c.unsaid)) << dialogs.messages[0].text.toStdString();
        }
        EXPECT_EQ(readFileBytes(earlier), "the user's program");
        EXPECT_FALSE(QFileInfo::exists(absent));
    }
}

// The window's outline trace and the converter's are the same file for the same design.
TEST_F(WindowFailureTest, TheOutlineTraceIsTheConvertersWhateverTheNotes) {
    const QString design = writeDesign("trace.dst", threeColours());
    open(design);
    control<QPlainTextEdit>("RimpNotes")->setPlainText("hoop B, linen");
    const QString saved = folder.filePath("window.GC");
    dialogs.fileNames = {saved};
    window->findChild<QAction*>("mnuSaveOutlineTrace")->trigger();
    ASSERT_TRUE(dialogs.messages.empty());

    const QString converted = folder.filePath("cli.GC");
    QProcess cli;
    cli.start(QStringLiteral(TESSALINE_CLI), {"trace", design, "-o", converted});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(readFileBytes(saved), readFileBytes(converted));
    EXPECT_NE(readFileBytes(saved).find(kOutlineTraceNotes), std::string::npos);
    EXPECT_EQ(readFileBytes(saved).find("hoop B"), std::string::npos);
}

}  // namespace
}  // namespace tessaline::testing
