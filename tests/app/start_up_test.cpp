// The window as it opens: controls, lists, defaults, flags, menus, fixed size, exits, About.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "app/AboutBox.h"
#include "design/WorkStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <fstream>

namespace tessaline::testing {
namespace {

using StartUpTest = WindowTest;

QStringList items(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
}

QStringList numbers(int first, int step, int last) {
    QStringList list;
    for (int v = first; v <= last; v += step) list << QString::number(v);
    return list;
}

TEST_F(StartUpTest, CaptionAndFixedClientSize) {
    EXPECT_EQ(window->windowTitle(), "Tessaline V2.4.8");
    EXPECT_EQ(window->objectName(), "frmTest");
    EXPECT_EQ(window->centralWidget()->size(), QSize(913, 680));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(StartUpTest, ResizeAndMaximiseLeaveTheDesignSize) {
    window->show();
    const QSize before = window->size();
    window->resize(before + QSize(200, 150));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), before);
    window->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window->size(), before);
    window->move(window->pos() + QPoint(10, 10));  // moving still works
}

TEST_F(StartUpTest, ButtonsAndValueLabelsBeforeAnyDesign) {
    EXPECT_FALSE(control<QPushButton>("Command2")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Command3")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Command6")->isEnabled());
    EXPECT_TRUE(control<QPushButton>("Command5")->isEnabled());
    EXPECT_EQ(control<QPushButton>("Command2")->text(), "Draw");
    EXPECT_EQ(control<QPushButton>("Command3")->text(), "SAVE GCODE");
    EXPECT_EQ(control<QPushButton>("Command6")->text(), "Populate");
    for (const char* name : {"lblStitch", "JStitch", "LblColor", "lblHe", "MinX", "MinY", "MaxX", "MaxY"})
        EXPECT_TRUE(control<QLabel>(name)->text().isEmpty()) << name;
    EXPECT_TRUE(control<QLabel>("Label1")->isHidden());
    EXPECT_TRUE(control<QLabel>("lblH")->isHidden());
    EXPECT_TRUE(control<QLabel>("lblW")->isHidden());
    EXPECT_TRUE(control<QLabel>("Fname")->isHidden());
    EXPECT_EQ(control<QPlainTextEdit>("RimpNotes")->toPlainText(), "Final Gcode");
}

TEST_F(StartUpTest, ListsAndShownItems) {
    EXPECT_EQ(control<QComboBox>("cmbscale")->currentText(), "4");
    EXPECT_EQ(items(control<QComboBox>("cmbscale")), numbers(1, 1, 11));
    EXPECT_EQ(control<QComboBox>("cmbHoopDia")->currentText(), "150");
    EXPECT_EQ(items(control<QComboBox>("cmbHoopDia")), numbers(100, 50, 300));
    EXPECT_EQ(control<QComboBox>("CmbZmotorCounter")->currentText(), "10");
    EXPECT_EQ(items(control<QComboBox>("CmbZmotorCounter")), numbers(1, 1, 20));
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "1");
    EXPECT_EQ(items(control<QComboBox>("Combo1")), numbers(1, 1, 4));
    EXPECT_EQ(control<QComboBox>("cmbFeed")->currentText(), "1500");
    EXPECT_EQ(items(control<QComboBox>("cmbFeed")), numbers(1000, 100, 10000));
    EXPECT_EQ(control<QComboBox>("CmbSPM")->currentText(), "100");
    EXPECT_EQ(items(control<QComboBox>("CmbSPM")), numbers(100, 50, 850));
    EXPECT_EQ(control<QComboBox>("CmbTCT")->currentText(), "10");
    EXPECT_EQ(items(control<QComboBox>("CmbTCT")), numbers(2, 1, 17));
    EXPECT_EQ(control<QComboBox>("CmbHI")->currentText(), "10");
    EXPECT_EQ(items(control<QComboBox>("CmbHI")), numbers(5, 1, 20));
    // Drop-down lists take only their items; the others take typed text too.
    for (const char* name : {"cmbscale", "CmbZmotorCounter", "Combo1"})
        EXPECT_FALSE(control<QComboBox>(name)->isEditable()) << name;
    for (const char* name : {"CmbSPM", "CmbTCT", "CmbHI", "cmbFeed", "cmbHoopDia"})
        EXPECT_TRUE(control<QComboBox>(name)->isEditable()) << name;
}

TEST_F(StartUpTest, FlagsAndOptionControls) {
    EXPECT_TRUE(window->crossHairOn());
    EXPECT_TRUE(window->needlePointOn());
    EXPECT_FALSE(window->invertX());
    EXPECT_FALSE(window->invertY());
    EXPECT_FALSE(window->hoopMarked());
    EXPECT_EQ(window->designStart(), QPointF(0, 0));
    for (const char* name : {"G90", "G21", "G64", "M02", "M30", "M786", "NeedlePoint", "Check1", "ChkHoop", "ChkBRect"})
        EXPECT_TRUE(control<QCheckBox>(name)->isChecked()) << name;
    EXPECT_FALSE(control<QCheckBox>("Xinrt")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("Yinrt")->isChecked());
    EXPECT_FALSE(control<QLineEdit>("txtZ")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>("TxtSZ")->isEnabled());
    EXPECT_EQ(control<QLineEdit>("txtZ")->text(), "-8");
    EXPECT_EQ(control<QLineEdit>("TxtSZ")->text(), "-2");
    auto* slider = control<QSlider>("SLAni");
    EXPECT_EQ(slider->minimum(), 10);
    EXPECT_EQ(slider->maximum(), 20000);
    EXPECT_EQ(slider->value(), 10);
    EXPECT_EQ(slider->singleStep(), 500);
    EXPECT_EQ(slider->pageStep(), 1000);
}

TEST_F(StartUpTest, SwatchesBarsAndViewport) {
    for (int i = 0; i <= 35; ++i) {
        auto* swatch = window->control<QLabel>(QStringLiteral("Label17_%1").arg(i));
        ASSERT_NE(swatch, nullptr);
        EXPECT_EQ(swatch->toolTip(), i <= 15 ? QStringLiteral("Thread Colour - %1").arg(i + 1) : QString());
    }
    for (int i = 36; i <= 70; ++i) {
        auto* bar = window->control<QLabel>(QStringLiteral("Label17_%1").arg(i));
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(bar->isHidden());
        EXPECT_EQ(bar->x(), qRound((2600 + 150 * (i - 36)) / 15.0)) << i;
        EXPECT_EQ(bar->y(), 17);
        EXPECT_EQ(bar->width(), 10);
    }
    EXPECT_EQ(control<QScrollBar>("VScroll1")->value(), 50);
    EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 50);
    // Centred: half of (10000 - 6645) twips up and left.
    const QPoint canvas = control<QWidget>("Picture1")->pos();
    EXPECT_NEAR(canvas.x(), -3355 / 2.0 / 15, 1);
    EXPECT_NEAR(canvas.y(), -3355 / 2.0 / 15, 1);
    const QColor canvasColour = control<QWidget>("Picture1")->palette().color(QPalette::Window);
    EXPECT_EQ(canvasColour, QColor(Qt::black));
    EXPECT_EQ(control<QLabel>("Label20_6")->palette().color(QPalette::Window), QColor(Qt::black));
}

TEST_F(StartUpTest, MenusInTheirOrder) {
    QStringList bar;
    for (QAction* action : window->menuBar()->actions()) bar << action->text().remove('&');
    EXPECT_EQ(bar, (QStringList{"File", "Machine", "View", "Simulate", "About"}));
    QStringList file;
    for (QAction* action : window->menuBar()->actions().front()->menu()->actions()) file << action->text();
    EXPECT_EQ(file, (QStringList{"Open DST", "Generate Gcode", "Save Gcode", "Save Gcode from Stitch…",
                                 "Save Outline Trace…", "Exit"}));
}

TEST_F(StartUpTest, GenerateAndSaveMenuItemsDoNothing) {
    QList<QAction*> file = window->menuBar()->actions().front()->menu()->actions();
    file[1]->trigger();
    file[2]->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(control<GcodePane>("RGcode")->text().isEmpty());
}

TEST_F(StartUpTest, ExitButtonAndMenuEndTheEventLoop) {
    for (const char* how : {"button", "menu"}) {
        QTimer::singleShot(0, window.get(), [&] {
            if (QString(how) == "button")
                QTest::mouseClick(control<QPushButton>("cmdExit"), Qt::LeftButton);
            else
                window->menuBar()->actions().front()->menu()->actions().back()->trigger();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        bool timedOut = false;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << how;
        EXPECT_FALSE(timedOut) << how;
    }
}

TEST_F(StartUpTest, CreatesTheWorkStoreInItsFolder) {
    EXPECT_TRUE(std::filesystem::exists(window->storePath()));
    EXPECT_EQ(window->storePath().filename(), "Gcode.mdb");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartUpStoreFaults, DamagedStoreIsMovedAsideWithAMessage) {
    QTemporaryDir folder;
    { std::ofstream(folder.filePath("Gcode.mdb").toStdString()) << "this is not a database at all, not even close"; }
    FakeDialogs dialogs;
    MainWindow window(folder.path().toStdString(), dialogs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("Gcode.mdb.damaged-"));
    EXPECT_EQ(dialogs.messages[0].title, "Tessaline");
    EXPECT_NO_THROW(WorkStore(window.storePath()).recordCount());
}

TEST(StartUpStoreFaults, UnwritableLocationStillOpensTheWindow) {
    QTemporaryDir folder;
    const QString blocker = folder.filePath("not-a-folder");
    { std::ofstream(blocker.toStdString()) << "x"; }
    FakeDialogs dialogs;
    MainWindow window(blocker.toStdString(), dialogs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.messages[0].text.contains("not-a-folder"));
    EXPECT_TRUE(window.control<QPushButton>("Command5")->isEnabled());
}

TEST_F(StartUpTest, OnlyTheEstimateFramesCaptionIsArial) {
    EXPECT_EQ(control<QWidget>("Frame3")->font().families().front(), "Arial");
    for (const char* child : {"Label20_0", "CmbSPM", "RTET", "Label20_3"})
        EXPECT_EQ(control<QWidget>(child)->font().families().front(), window->font().families().front()) << child;
    EXPECT_EQ(control<QWidget>("Label20_0")->font().pixelSize(), 10);  // the narrow caption stays narrow
}

TEST_F(StartUpTest, AboutBoxIsOneModelessWindow) {
    window->show();
    window->showAbout();
    AboutBox* about = window->aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->isModal());
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About Tessaline");
    EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), "Tessaline - Version 2.4.8");
    EXPECT_EQ(about->findChild<QLabel*>("lblAuthor")->text(), "Author: Marovek");
    EXPECT_EQ(about->findChild<QLabel*>("lblThanks")->text(), "Special Thanks to:");
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMinimizeButtonHint);
    window->showAbout();
    EXPECT_EQ(window->aboutBox(), about);
    EXPECT_EQ(window->findChildren<AboutBox*>().size(), 1);

    QTest::keyClick(about, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->aboutBox(), nullptr);

    window->showAbout();
    about = window->aboutBox();
    auto* ok = about->findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    QTest::keyClick(about, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->aboutBox(), nullptr);
}

}  // namespace
}  // namespace tessaline::testing
