// Every shared design in a format other than DST opens through the window's load path: figures,
// program and legend agree with the core's decoding, and the legend wears the design's threads.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "design/DesignFormat.h"
#include "design/FigureTexts.h"
#include "design/Placement.h"
#include "preview/ThreadColour.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace tessaline::testing {
namespace {

using RealFormatsWindowTest = WindowTest;

QColor swatch(const MainWindow& window, int index) {
    return window.control<QLabel>(QStringLiteral("Label17_%1").arg(index))->palette().color(QPalette::Window);
}

TEST_F(RealFormatsWindowTest, EveryDesignOpensWithItsFiguresProgramAndThreadColours) {
    const QDir designs(QStringLiteral(TESSALINE_REAL_FORMATS_DIR));
    QStringList patterns;
    for (const DesignFormat format : readableFormats()) {
        if (format != DesignFormat::Dst) patterns << QStringLiteral("*.") + QString::fromStdString(formatExtensions(format).front());
    }
    const QStringList files = designs.entryList(patterns, QDir::Files, QDir::Name);
    if (files.isEmpty()) GTEST_SKIP() << "no shared designs at " << TESSALINE_REAL_FORMATS_DIR;
    auto* threadColours = window->findChild<QAction*>(QStringLiteral("mnuDesignThreadColours"));
    ASSERT_NE(threadColours, nullptr);
    ASSERT_TRUE(threadColours->isChecked());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = designs.filePath(name);
        std::uint64_t colourRows = 0;
        // The window shows the design placed as by default: home-machine formats centred.
        const DecodedDesign design = decodePlacedDesignFile(path.toStdString(), readDesignFile(path.toStdString()),
                                                            Placement::Automatic, [&](const DesignRecord& record) {
                                                                if (record.kind == RecordKind::ColourChange) ++colourRows;
                                                            })
                                         .design;
        const FigureTexts expected = figureTexts(design.figures, name.toStdString());
        open(path);
        ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
        EXPECT_EQ(window->control<QLabel>("lblStitch")->text().toStdString(), expected.stitches);
        EXPECT_EQ(window->control<QLabel>("LblColor")->text().toStdString(), expected.colours);
        EXPECT_EQ(window->control<QLabel>("JStitch")->text().toStdString(), expected.jumps);
        EXPECT_EQ(window->control<QLabel>("lblHe")->text().toStdString(), expected.dimensions);
        EXPECT_EQ(window->control<QLabel>("MaxY")->text().toStdString(), expected.maxY);
        const QString program = window->control<GcodePane>("RGcode")->text();
        EXPECT_TRUE(program.endsWith("M30"));
        EXPECT_EQ(static_cast<std::uint64_t>(program.count(QStringLiteral("(THREAD COLOR CHANGE"))), colourRows);

        // Colour block k wears thread k of the design's list (EXP has none: the palette).
        const int blocks = static_cast<int>(std::min<std::uint64_t>(colourRows, 34));
        for (int k = 1; k <= blocks; ++k) {
            const QColor wanted = design.threads.empty()
                                      ? threadQColor(k)
                                      : [&] {
                                            const DesignThread& t = design.threads[(k - 1) % design.threads.size()];
                                            return QColor(t.red, t.green, t.blue);
                                        }();
            EXPECT_EQ(swatch(*window, k - 1), wanted) << "block " << k;
        }

        // The View menu switches back to the fixed palette, and on again.
        threadColours->setChecked(false);
        EXPECT_EQ(swatch(*window, 0), threadQColor(1));
        if (blocks >= 2) {
            EXPECT_EQ(swatch(*window, 1), threadQColor(2));
        }
        threadColours->setChecked(true);
        if (!design.threads.empty()) {
            const DesignThread& first = design.threads.front();
            EXPECT_EQ(swatch(*window, 0), QColor(first.red, first.green, first.blue));
        }
    }
}

TEST_F(RealFormatsWindowTest, DamagedDesignIsRefusedAndThePreviousStays) {
    open(writeDesign("good.dst", test::DstTestEncoder().stitch(10, 10).stitch(5, 5).end()));
    ASSERT_TRUE(dialogs.messages.empty());
    const QString stitches = window->control<QLabel>("lblStitch")->text();

    const QString bad = folder.filePath("bad.jef");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xff\xff\xff\x7f", 4) + QByteArray(200, '\0'));  // stitch list offset far past the end
    file.close();
    open(bad);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The design file cannot be read:\n") + bad +
                                            QStringLiteral(": not a readable JEF design: the stitch list offset "
                                                           "points outside the file"));
    EXPECT_EQ(window->control<QLabel>("lblStitch")->text(), stitches);
    EXPECT_EQ(window->control<QLabel>("Fname")->text(), QStringLiteral("good.dst"));
}

}  // namespace
}  // namespace tessaline::testing
