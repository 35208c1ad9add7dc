// The Machine menu: profiles as a radio group, the remembered choice, boxes a profile cannot
// take, reloading the folder, and the window's program following the choice.

#include "FakeDialogs.h"
#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "app/MachineMenu.h"
#include "gcode/BuiltinProfiles.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QCheckBox>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace tessaline::testing {
namespace {

class MachineMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        profiles = std::filesystem::path(folder.path().toStdString()) / "profiles";
        std::filesystem::create_directories(profiles);
        settings = folder.filePath("choice.ini");
        window.setCentralWidget(form);
        for (const char* name : {"G90", "G21", "G64", "M786", "M02", "M30"}) {
            auto* box = new QCheckBox(QString::fromLatin1(name), form);
            box->setObjectName(QString::fromLatin1(name));
            box->setChecked(true);
        }
        window.menuBar()->addMenu(QStringLiteral("&File"));
        after = window.menuBar()->addAction(QStringLiteral("Simulate"));
    }

    std::unique_ptr<MachineMenu> makeMenu() {
        return std::make_unique<MachineMenu>(window.menuBar(), after, form, dialogs, profiles, settings);
    }

    QStringList profileNames(const MachineMenu& menu) const {
        QStringList names;
        for (QAction* action : menu.menu()->actions()) {
            if (action->isCheckable()) names << action->text();
        }
        return names;
    }

    QAction* action(const MachineMenu& menu, const QString& text) const {
        for (QAction* action : menu.menu()->actions()) {
            if (action->text() == text) return action;
        }
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }

    QCheckBox* box(const char* name) const { return form->findChild<QCheckBox*>(QString::fromLatin1(name)); }

    QTemporaryDir folder;
    std::filesystem::path profiles;
    QString settings;
    QMainWindow window;
    QWidget* form = new QWidget;
    QAction* after = nullptr;
    FakeDialogs dialogs;
};

TEST_F(MachineMenuTest, ProfilesAreARadioGroupAfterFileWithClassicCheckedAtFirst) {
    const auto menu = makeMenu();
    QStringList bar;
    for (QAction* action : window.menuBar()->actions()) bar << action->text().remove('&');
    EXPECT_EQ(bar, (QStringList{"File", "Machine", "Simulate"}));
    QStringList builtins;
    for (const auto& profile : builtinProfiles()) builtins << QString::fromStdString(profile.name);
    EXPECT_EQ(profileNames(*menu), builtins);
    const QList<QAction*> actions = menu->menu()->actions();
    EXPECT_EQ(actions[actions.size() - 2]->text(), "Open Profiles Folder");
    EXPECT_EQ(actions.back()->text(), "Reload Profiles");
    EXPECT_EQ(menu->current()->name, kClassicProfileName);
    EXPECT_TRUE(action(*menu, "Classic")->isChecked());
    for (const char* name : {"G90", "G21", "G64", "M786", "M02", "M30"}) {
        EXPECT_TRUE(box(name)->isEnabled()) << name;
        EXPECT_TRUE(box(name)->toolTip().isEmpty()) << name;
    }
}

TEST_F(MachineMenuTest, ChoiceDisablesBoxesWithTheReasonAndIsRemembered) {
    {
        const auto menu = makeMenu();
        int changes = 0;
        QObject::connect(menu.get(), &MachineMenu::profileChanged, [&changes] { ++changes; });
        action(*menu, "grbl 1.1")->trigger();
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(menu->current()->name, "grbl 1.1");
        EXPECT_FALSE(action(*menu, "Classic")->isChecked());
        EXPECT_FALSE(box("G64")->isEnabled());
        EXPECT_EQ(box("G64")->toolTip(), "grbl 1.1 has no G64");
        EXPECT_FALSE(box("M786")->isEnabled());
        EXPECT_TRUE(box("G90")->isEnabled());
        EXPECT_TRUE(box("G64")->isChecked()) << "the user's tick stays for the next profile";
        action(*menu, "LinuxCNC 2.9")->trigger();
        EXPECT_TRUE(box("G64")->isEnabled());
        EXPECT_TRUE(box("G64")->toolTip().isEmpty());
        EXPECT_FALSE(box("M786")->isEnabled());
    }
    const auto again = makeMenu();
    EXPECT_EQ(again->current()->name, "LinuxCNC 2.9");
    EXPECT_TRUE(action(*again, "LinuxCNC 2.9")->isChecked());
    EXPECT_FALSE(box("M786")->isEnabled());
}

TEST_F(MachineMenuTest, ReloadPicksUpNewFilesAndReportsBrokenOnes) {
    const auto menu = makeMenu();
    std::ofstream(profiles / "rotary.toml") << "base = \"grblHAL\"\nname = \"Rotary\"\nneedle_axis = \"A\"\n";
    std::ofstream(profiles / "broken.toml") << "name = \"Broken\"\n\nrebase = 1\n";
    action(*menu, "Reload Profiles")->trigger();
    EXPECT_TRUE(profileNames(*menu).contains("Rotary"));
    EXPECT_FALSE(profileNames(*menu).contains("Broken"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Warning);
    EXPECT_TRUE(dialogs.messages[0].text.contains("broken.toml: line 3, field 'rebase'")) << dialogs.messages[0].text.toStdString();
    action(*menu, "Rotary")->trigger();
    EXPECT_EQ(menu->current()->needleAxis, "A");
    // A remembered profile whose file went away falls back to Classic.
    std::filesystem::remove(profiles / "rotary.toml");
    const auto later = makeMenu();
    EXPECT_EQ(later->current()->name, kClassicProfileName);
}

// The window itself, with its own config folder: the chosen profile shapes the next Populate.
using WindowMachineTest = ConfiguredWindowTest;

TEST_F(WindowMachineTest, PopulateFollowsTheChosenProfile) {
    test::DstTestEncoder design;
    design.jump(10, 0).stitch(5, 5).colourChange().stitch(5, 0).end();
    open(writeDesign("d.dst", design));
    auto* pane = control<GcodePane>("RGcode");
    EXPECT_TRUE(pane->text().contains("\nG64\n"));
    QAction* grbl = nullptr;
    for (QAction* action : window->findChild<QMenu*>("mnuMachine")->actions()) {
        if (action->text() == "grbl 1.1") grbl = action;
    }
    ASSERT_NE(grbl, nullptr);
    grbl->trigger();
    EXPECT_FALSE(control<QCheckBox>("G64")->isEnabled());
    QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
    const QString program = pane->text();
    EXPECT_FALSE(program.contains("\nG64\n"));
    EXPECT_FALSE(program.contains("M786"));
    EXPECT_TRUE(program.contains("\nG92 Z0\n"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(config.path().toStdString()) / "Tessaline" / "Tessaline.ini"));
}

// The window plans the needle from the kinds it kept at load, the converter from the file: the
// header's stated travel and every re-base must come out the same.
TEST_F(WindowMachineTest, SavedProgramOfAProfileThatStatesTheTravelEqualsTheConverters) {
    test::DstTestEncoder design;
    design.jump(10, 0);
    for (int i = 0; i < 120; ++i) design.stitch(i % 2 == 0 ? 5 : -5, 1);
    design.colourChange().jump(-20, 4).stitch(5, 0).stitch(0, 5).end();
    const QString path = writeDesign("d.dst", design);
    open(path);
    for (QAction* action : window->findChild<QMenu*>("mnuMachine")->actions()) {
        if (action->text() == "Klipper") action->trigger();
    }
    const QString saved = folder.filePath("window.gcode");
    dialogs.fileNames.push_back(saved);
    window->saveGcode();
    const QString converted = folder.filePath("cli.gcode");
    QProcess cli;
    cli.start(QStringLiteral(TESSALINE_CLI), {"convert", path, "-o", converted, "--profile", "Klipper"});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    QFile windowFile(saved), cliFile(converted);
    ASSERT_TRUE(windowFile.open(QIODevice::ReadOnly) && cliFile.open(QIODevice::ReadOnly));
    const QByteArray program = windowFile.readAll();
    EXPECT_TRUE(program.contains("SET_KINEMATIC_POSITION")) << program.left(600).toStdString();
    EXPECT_EQ(program, cliFile.readAll());
}

}  // namespace
}  // namespace tessaline::testing

namespace tessaline::testing {
namespace {

TEST_F(MachineMenuTest, ProfileSummariesShowAsTooltips) {
    const auto menu = makeMenu();
    EXPECT_TRUE(menu->menu()->toolTipsVisible());
    for (const auto& profile : builtinProfiles()) {
        ASSERT_FALSE(profile.summary.empty()) << profile.name;
        EXPECT_EQ(action(*menu, QString::fromStdString(profile.name))->toolTip(), QString::fromStdString(profile.summary));
    }
}

// With or without a file manager, the user learns where the profiles go.
TEST_F(MachineMenuTest, OpenProfilesFolderSaysWhereTheFolderIs) {
    const auto menu = makeMenu();
    std::filesystem::remove_all(profiles);
    const QString path = QString::fromStdString(profiles.string());
    for (const bool fileManager : {false, true}) {
        dialogs.messages.clear();
        dialogs.shownFolders.clear();
        dialogs.folderShown = fileManager;
        action(*menu, "Open Profiles Folder")->trigger();
        EXPECT_TRUE(std::filesystem::is_directory(profiles));
        EXPECT_EQ(dialogs.shownFolders, std::vector<QString>{path});
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Information);
        EXPECT_TRUE(dialogs.messages[0].text.contains(path)) << dialogs.messages[0].text.toStdString();
        EXPECT_EQ(dialogs.messages[0].text.contains("No file manager"), !fileManager);
    }
}

}  // namespace
}  // namespace tessaline::testing
