#include "app/ColourLegend.h"

#include "app/Legibility.h"
#include "app/MainWindowForm.h"
#include "common/NumberFormat.h"
#include "preview/DesignColours.h"
#include "preview/model/TimeEstimate.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace tessaline {

namespace {

constexpr int kSwatches = 35;  // swatches 0-34 take colours; 35 stays as the form made it
constexpr int kFirstBar = 36;
constexpr int kLastCell = 70;
constexpr int kBars = 35;
constexpr int kBarTopTwips = 255;
constexpr int kBarLeftTwips = 2600;
constexpr int kBarWidthTwips = 150;
// The statistics pane follows the newest bar at this gap, and keeps this margin to its frame's edge.
constexpr int kPaneGapTwips = 50;
constexpr int kPaneMarginTwips = 60;
constexpr qint64 kFrameMs = 16;

double readNumber(const QComboBox* combo) { return parseLenient(combo->currentText().toStdString()); }

}  // namespace

ColourLegend::ColourLegend(QWidget* form)
    : form_(form),
      statistics_(form->findChild<QTextEdit*>(QStringLiteral("RTET"))),
      statisticsHome_(statistics_->x()),
      frame_(form->findChild<QGroupBox*>(QStringLiteral("Frame3"))),
      spm_(form->findChild<QComboBox*>(QStringLiteral("CmbSPM"))),
      threadChange_(form->findChild<QComboBox*>(QStringLiteral("CmbTCT"))),
      hoop_(form->findChild<QComboBox*>(QStringLiteral("CmbHI"))) {
    statistics_->setUndoRedoEnabled(false);
    for (int i = 0; i <= kLastCell; ++i) cells_.push_back(form->findChild<QLabel*>(QStringLiteral("Label17_%1").arg(i)));
}

void ColourLegend::setCellColour(int index, const QColor& colour) {
    QLabel* label = cells_[static_cast<std::size_t>(index)];
    // A palette change reaches every child and repaints: only when the colour really changes.
    if (label->palette().color(QPalette::Window) == colour) return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
}

void ColourLegend::layOutBars(int count) {
    const int room = frame_->width() * 15 - kPaneMarginTwips - statistics_->width() * 15 - kPaneGapTwips - kBarLeftTwips;
    const int width = std::clamp(room / std::max(count, 1), 15, kBarWidthTwips);
    for (int i = 0; i < kBars; ++i) {
        QLabel* bar = cells_[static_cast<std::size_t>(kFirstBar + i)];
        bar->setGeometry(twipsToPixels(kBarLeftTwips + width * i), twipsToPixels(kBarTopTwips),
                         twipsToPixels(kBarLeftTwips + width * (i + 1)) - twipsToPixels(kBarLeftTwips + width * i),
                         bar->height());
    }
}

void ColourLegend::clearColor() {
    for (int i = 0; i < kBars; ++i) {
        QLabel* bar = cells_[static_cast<std::size_t>(kFirstBar + i)];
        bar->setVisible(false);
        bar->setFrameShape(QFrame::NoFrame);
    }
    layOutBars(0);
}

void ColourLegend::begin() {
    flush();
    statistics_->clear();
    statisticsEnd_ = QTextCursor(statistics_->document());
    clearColor();
    // Colours cycle through the bars; a block ends at every change, so one bar fewer than colours.
    if (designColours_ > 1) layOutBars(static_cast<int>(std::min<double>(designColours_ - 1, kBars - 1)));
    statistics_->move(statisticsHome_, statistics_->y());
    paneFollows_ = -1;
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
    const QColor thread = threadColourOf(colours_, ended);
    setCellColour(started - 1, threadColourOf(colours_, started));
    const ColourBlockStats block = colourBlockStats(ended, stitches, records_, readNumber(spm_));
    const int barIndex = 35 + ended;
    QLabel* bar = cells_[static_cast<std::size_t>(barIndex)];
    setCellColour(barIndex, thread);
    // A bar as light as its frame (white, ivory) gets an outline that stands out from the frame.
    const QColor around = frame_->palette().color(QPalette::Window);
    if (readsOn(thread, around)) {
        bar->setFrameShape(QFrame::NoFrame);
    } else {
        QPalette palette = bar->palette();
        palette.setColor(QPalette::WindowText, contrastingColour(around));
        bar->setPalette(palette);
        bar->setFrameShape(QFrame::Box);
    }
    bar->resize(bar->width(), twipsToPixels(static_cast<int>(std::lround(barHeightTwips(block)))));
    bar->setToolTip(QString::fromStdString(barTooltip(block)));
    bar->setVisible(true);
    // The statistics pane follows the farthest bar, never past its frame's edge.
    const int farthest = std::min(bar->x() + bar->width() + twipsToPixels(kPaneGapTwips),
                                  frame_->width() - twipsToPixels(kPaneMarginTwips) - statistics_->width());
    if (farthest > paneFollows_) {
        paneFollows_ = farthest;
        statistics_->move(farthest, statistics_->y());
    }

    // A thread too light or too dark for the pane is written on a band that makes it read.
    QTextCharFormat format;
    format.setForeground(thread);
    if (!readsOn(thread, statistics_->palette().color(QPalette::Base)))
        format.setBackground(contrastingColour(thread));
    // Lines are laid out and shown together once a frame: one by one, the pane's layout costs
    // many times the line itself.
    if (!editing_) {
        statisticsEnd_.beginEditBlock();
        editing_ = true;
        sinceFlush_.start();
    }
    statisticsEnd_.insertText(QString::fromStdString(statisticsLine(block)) + QLatin1Char('\n'), format);
    if (sinceFlush_.elapsed() >= kFrameMs) flush();
}

void ColourLegend::flush() {
    if (!editing_) return;
    editing_ = false;
    statisticsEnd_.endEditBlock();
}

void ColourLegend::finish(int colour, bool endedEarly) {
    flush();
    if (!endedEarly) setCellColour(colour - 1, form_->palette().color(QPalette::Button));
    const JobCounts job{records_, designColours_};
    const MachineTimes machine{readNumber(spm_), readNumber(threadChange_), readNumber(hoop_)};
    frame_->setTitle(QString::fromStdString(totalEstimateCaption(job, machine)));
}

}  // namespace tessaline
