#pragma once
// The colour legend of the window: swatches, per-colour bars, the coloured statistics lines and
// the total time caption. Texts and numbers come from the core's time estimate.

#include <QColor>

#include <cstdint>

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
    void begin();
    // A line above the statistics, in red, until the next begin.
    void warn(const QString& text);
    void endColourBlock(int ended, std::int64_t stitches, int started);
    // An early end keeps the swatch of the colour being stitched: its stitches are on the canvas.
    void finish(int colour, bool endedEarly = false);
    // Where swatches, bars and statistics lines take their colours; null for the thread palette.
    void setColours(const DesignColours* colours) { colours_ = colours; }

private:
    QLabel* cell(int index) const;
    void setCellColour(int index, const QColor& colour);
    double totalStitches() const;

    QWidget* form_;
    QTextEdit* statistics_;
    QGroupBox* frame_;
    QComboBox* spm_;
    QComboBox* threadChange_;
    QComboBox* hoop_;
    const DesignColours* colours_ = nullptr;
};

}  // namespace tessaline
