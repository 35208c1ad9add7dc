// View > Design Placement: Automatic at first, the choice remembered, and a change placing the
// shown design anew for the figures, the program and the hoop fit alike.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "app/MachineMenu.h"
#include "app/PlacementMenu.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

namespace tessaline::testing {
namespace {

// A 62 mm x 31 mm JEF design with its corner on the origin, as home-machine files often are.
QByteArray cornerJef() {
    const int moves[][2] = {{100, 0},   {-100, 100}, {100, 100},  {-100, 110}, {120, 0},    {120, -110}, {120, 110},
                            {120, -110}, {120, 110}, {20, -110},  {0, -100},   {-100, -100}, {-120, 0}};
    QByteArray b(120, '\0');
    b[0] = 120;
    b[24] = 1;
    b[116] = 2;
    for (const auto& m : moves) {
        b.append(static_cast<char>(m[0]));
        b.append(static_cast<char>(-m[1]));
    }
    return b.append("\x80\x10", 2);
}

class PlacementWindowTest : public ConfiguredWindowTest {
protected:
    void SetUp() override {
        ConfiguredWindowTest::SetUp();
        design = folder.filePath(QStringLiteral("corner.jef"));
        QFile file(design);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(cornerJef());
    }
    QAction* choice(const char* word) const {
        return window->findChild<QAction*>(QStringLiteral("mnuPlacement_") + QString::fromLatin1(word));
    }
    std::string label(const char* name) const { return control<QLabel>(name)->text().toStdString(); }

    QString design;
};

TEST_F(PlacementWindowTest, ChoosingAPlacementPlacesTheShownDesignAnewAndIsRemembered) {
    for (const char* word : {"auto", "centre", "file"}) ASSERT_NE(choice(word), nullptr) << word;
    EXPECT_TRUE(choice("auto")->isChecked());
    open(design);
    ASSERT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(label("MinX"), "-31 mm");
    EXPECT_EQ(label("MaxY"), "15.5 mm");
    auto* pane = control<GcodePane>("RGcode");
    EXPECT_TRUE(pane->text().contains(QStringLiteral("X-31 Y-15.5")));

    const struct {
        const char* word;
        const char* minX;
        const char* maxY;
        const char* firstMove;
    } steps[] = {{"file", "0 mm", "31 mm", "X0 Y0 "}, {"centre", "-31 mm", "15.5 mm", "X-31 Y-15.5"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.word);
        choice(step.word)->trigger();
        EXPECT_TRUE(choice(step.word)->isChecked());
        EXPECT_FALSE(choice("auto")->isChecked());
        EXPECT_EQ(label("MinX"), step.minX);
        EXPECT_EQ(label("MaxY"), step.maxY);
        EXPECT_TRUE(pane->text().contains(QString::fromLatin1(step.firstMove))) << pane->text().left(600).toStdString();
        EXPECT_EQ(QSettings(machineSettingsFile(), QSettings::IniFormat).value("design/placement").toString(),
                  QString::fromLatin1(step.word));
    }

    // A new window starts with the remembered choice.
    choice("file")->trigger();
    window = std::make_unique<MainWindow>(folder.path().toStdString(), dialogs);
    EXPECT_TRUE(choice("file")->isChecked());
    open(design);
    EXPECT_EQ(label("MinX"), "0 mm");
}

TEST(PlacementMenu, AStoredWordThatIsNoChoiceMeansAutomatic) {
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("choice.ini"));
    QSettings(settings, QSettings::IniFormat).setValue("design/placement", "sideways");
    QMenu parent;
    const PlacementMenu menu(&parent, settings);
    EXPECT_EQ(menu.current(), Placement::Automatic);
    EXPECT_EQ(menu.menu()->actions().size(), 3);
}

}  // namespace
}  // namespace tessaline::testing
