#include "app/ColourLegend.h"

#include "app/MainWindowForm.h"
#include "common/NumberFormat.h"
#include "preview/DesignColours.h"
#include "preview/model/TimeEstimate.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>

#include <cmath>

namespace tessaline {

namespace {

constexpr int kSwatches = 35;  // swatches 0-34 take colours; 35 stays as the form made it
constexpr int kFirstBar = 36;
constexpr int kBarTopTwips = 255;

double readNumber(const QComboBox* combo) { return parseLenient(combo->currentText().toStdString()); }

}  // namespace

ColourLegend::ColourLegend(QWidget* form)
    : form_(form),
      statistics_(form->findChild<QTextEdit*>(QStringLiteral("RTET"))),
      frame_(form->findChild<QGroupBox*>(QStringLiteral("Frame3"))),
      spm_(form->findChild<QComboBox*>(QStringLiteral("CmbSPM"))),
      threadChange_(form->findChild<QComboBox*>(QStringLiteral("CmbTCT"))),
      hoop_(form->findChild<QComboBox*>(QStringLiteral("CmbHI"))) {}

QLabel* ColourLegend::cell(int index) const {
    return form_->findChild<QLabel*>(QStringLiteral("Label17_%1").arg(index));
}

void ColourLegend::setCellColour(int index, const QColor& colour) {
    QLabel* label = cell(index);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
}

double ColourLegend::totalStitches() const {
    return parseLenient(form_->findChild<QLabel*>(QStringLiteral("lblStitch"))->text().toStdString());
}

void ColourLegend::clearColor() {
    for (int i = 0; i <= 34; ++i) {
        QLabel* bar = cell(kFirstBar + i);
        bar->setVisible(false);
        bar->setFrameShape(QFrame::NoFrame);
        bar->setGeometry(twipsToPixels(2600 + 150 * i), twipsToPixels(kBarTopTwips), twipsToPixels(150), bar->height());
    }
}

void ColourLegend::begin() {
    statistics_->clear();
    clearColor();
    const QColor neutral = form_->palette().color(QPalette::Button);
    for (int i = 0; i < kSwatches; ++i) setCellColour(i, neutral);
    setCellColour(0, threadColourOf(colours_, 1));
}

void ColourLegend::warn(const QString& text) {
    QTextCursor cursor(statistics_->document());
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat format;
    format.setForeground(QColor(192, 0, 0));
    cursor.insertText(text + QLatin1Char('\n'), format);
}

void ColourLegend::endColourBlock(int ended, std::int64_t stitches, int started) {
    setCellColour(started - 1, threadColourOf(colours_, started));
    const ColourBlockStats block = colourBlockStats(ended, stitches, totalStitches(), readNumber(spm_));
    const int barIndex = 35 + ended;
    QLabel* bar = cell(barIndex);
    setCellColour(barIndex, threadColourOf(colours_, ended));
    bar->resize(bar->width(), twipsToPixels(static_cast<int>(std::lround(barHeightTwips(block)))));
    bar->setToolTip(QString::fromStdString(barTooltip(block)));
    bar->setVisible(true);
    // The statistics pane follows the bars, 200 twips right of the newest one.
    statistics_->move(bar->x() + twipsToPixels(200), statistics_->y());

    QTextCursor cursor(statistics_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(threadColourOf(colours_, ended));
    cursor.insertText(QString::fromStdString(statisticsLine(block)) + QLatin1Char('\n'), format);
}

void ColourLegend::finish(int colour, bool endedEarly) {
    if (!endedEarly) setCellColour(colour - 1, form_->palette().color(QPalette::Button));
    const JobCounts job{totalStitches(),
                        parseLenient(form_->findChild<QLabel*>(QStringLiteral("LblColor"))->text().toStdString())};
    const MachineTimes machine{readNumber(spm_), readNumber(threadChange_), readNumber(hoop_)};
    frame_->setTitle(QString::fromStdString(totalEstimateCaption(job, machine)));
}

}  // namespace tessaline
