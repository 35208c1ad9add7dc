#pragma once
// The colour legend of the window: swatches, per-colour bars, the coloured statistics lines and
// the total time caption. Texts and numbers come from the core's time estimate. Every bar and
// line reads on its pane whatever the thread colour, and each colour block costs the same work,
// however many came before it.

#include <QColor>
#include <QElapsedTimer>
#include <QTextCursor>

#include <cstdint>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QTextEdit;
class QWidget;

namespace tessaline {

class DesignColours;

class ColourLegend {
public:
    // form is the window's client area holding Label17_0..70, RTET, Frame3 and the machine combos.
    explicit ColourLegend(QWidget* form);

    // Hides the bars and lays them out in their row.
    void clearColor();
    // The loaded design's record and colour counts, which the bars and the total are figured from.
    void setDesignCounts(double records, double colours) {
        records_ = records;
        designColours_ = colours;
    }
    void begin();
    // A line above the statistics, in red, until the next begin.
    void warn(const QString& text);
    void endColourBlock(int ended, std::int64_t stitches, int started);
    // An early end keeps the swatch of the colour being stitched: its stitches are on the canvas.
    void finish(int colour, bool endedEarly = false);
    // Shows the statistics lines written since the last frame; the pass calls it however it ends.
    void flush();
    // Where swatches, bars and statistics lines take their colours; null for the thread palette.
    void setColours(const DesignColours* colours) { colours_ = colours; }

private:
    // Places the bars in their row, narrower where count bars would push the statistics pane
    // out of its frame.
    void layOutBars(int count);
    void setCellColour(int index, const QColor& colour);

    QWidget* form_;
    std::vector<QLabel*> cells_;  // Label17_0..70: looked up once, used for every colour block
    QTextEdit* statistics_;
    QTextCursor statisticsEnd_;
    bool editing_ = false;  // lines written into an open edit block, not laid out yet
    QElapsedTimer sinceFlush_;
    int statisticsHome_;  // the pane's place in the form, before any bar moves it
    int paneFollows_ = -1;  // where the farthest bar of this pass put the pane; -1 before the first
    QGroupBox* frame_;
    QComboBox* spm_;
    QComboBox* threadChange_;
    QComboBox* hoop_;
    const DesignColours* colours_ = nullptr;
    double records_ = 0;
    double designColours_ = 0;
};

}  // namespace tessaline
