// Every real design from public projects opens in the window: figures, program and legend agree
// with the core's decoding. Skipped when the designs are not beside the checkout.

#include "WindowFixture.h"
#include "app/GcodePane.h"
#include "design/DesignFile.h"
#include "design/DstDecoder.h"
#include "design/FigureTexts.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tessaline::testing {
namespace {

using RealDesignsWindowTest = WindowTest;

TEST_F(RealDesignsWindowTest, EveryDesignOpensWithItsFiguresProgramAndLegend) {
    const QDir designs(QStringLiteral(TESSALINE_REAL_DST_DIR));
    const QStringList files = designs.entryList({QStringLiteral("*.dst")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) GTEST_SKIP() << "no real designs at " << TESSALINE_REAL_DST_DIR;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = designs.filePath(name);
        std::uint64_t colourRows = 0;
        const DesignFigures figures = decodeDst(readDesignFile(path.toStdString()), [&](const DesignRecord& record) {
            if (record.kind == RecordKind::ColourChange) ++colourRows;
        });
        const FigureTexts expected = figureTexts(figures, name.toStdString());
        open(path);
        ASSERT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(window->control<QLabel>("lblStitch")->text().toStdString(), expected.stitches);
        EXPECT_EQ(window->control<QLabel>("lblHe")->text().toStdString(), expected.dimensions);
        EXPECT_EQ(window->control<QLabel>("MinX")->text().toStdString(), expected.minX);
        const QString program = window->control<GcodePane>("RGcode")->text();
        EXPECT_TRUE(program.endsWith("M30"));
        EXPECT_EQ(static_cast<std::uint64_t>(program.count(QStringLiteral("(THREAD COLOR CHANGE"))), colourRows);
        // One statistics line per colour-change row (every file here has fewer than 35), after a
        // warning for designs that leave the hoop.
        QStringList lines = window->control<QTextEdit>("RTET")->toPlainText().split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty() && lines.front().startsWith("Warning: Does not fit")) lines.removeFirst();
        EXPECT_EQ(static_cast<std::uint64_t>(lines.size()), colourRows);
    }
}

}  // namespace
}  // namespace tessaline::testing
