#pragma once
// The draw pass: replays the design records onto the canvas image one row at a time, stitches
// solid and jumps dotted in the current thread colour, with the start and home markers, hoop
// circles and boundary at the first stitch, and drives the colour legend through an observer.
// The caller paces the rows (processing events between them) and shows the image meanwhile.

#include "design/DesignRecord.h"
#include "preview/model/UserScale.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>

#include <cstdint>

namespace tessaline {

class DesignColours;

// The options the pass reads again before every row, so changes apply from the next row.
struct PassSettings {
    double penWidth = 1;        // thread thickness in pixels; halves round to even, kept within 1..1000
    double hoopDiameter = 150;  // mm; not a positive number draws no hoop circles
    bool showHoop = true;
    bool showBoundary = true;
    bool invertX = false;
    bool invertY = false;
    bool needlePoint = true;    // white dot at every stitch end
    const DesignColours* colours = nullptr;  // null: the fixed thread palette
};

// The window's side of the pass. Points are in drawing units (design millimetres).
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void beginLegend() {}
    // A colour-change row: colour `ended` closed after `stitches` stitches, `started` = ended + 1 begins.
    virtual void endColourBlock(int /*ended*/, std::int64_t /*stitches*/, int /*started*/) {}
    virtual void finishLegend(int /*colour*/) {}
    // After every stitch, whether or not needle points are shown.
    virtual void showNeedle(QPointF /*point*/, int /*colour*/) {}
    virtual void placeStartMarker(QPointF /*centre*/) {}
    virtual void placeHomeMarker(QPointF /*topLeft*/) {}
    virtual PassSettings settings() { return {}; }
};

class DrawPass {
public:
    // The canvas is painted in its logical (device-independent) size; it must outlive the pass,
    // and only one pass may paint it at a time. W and H are the design's size in mm, s the scale.
    DrawPass(QImage& canvas, double designWidth, double designHeight, double scaleFactor,
             PassObserver& observer);
    ~DrawPass();
    DrawPass(const DrawPass&) = delete;
    DrawPass& operator=(const DrawPass&) = delete;

    // Begins the legend, clears the canvas to black and starts at colour 1.
    void begin();
    // The first row only sets the starting point; each later row draws its move from the previous row.
    void row(const DesignRecord& record);
    // Finishes the legend with the current colour number and releases the canvas.
    void finish();

    const UserScale& scale() const { return scale_; }
    // A drawing-unit point in logical pixels of the canvas image.
    QPointF toCanvas(QPointF drawing) const;
    // The start point of the last start-marker step, (0, 0) until one runs.
    QPointF designStart() const { return designStart_; }
    bool hoopMarked() const { return hoopMarked_; }
    int colour() const { return colour_; }
    std::int64_t blockStitches() const { return blockStitches_; }

private:
    void startMarkerStep(const PassSettings& settings);
    void usePen(QColor colour, int width, Qt::PenStyle style);
    void drawSegment(QPointF from, QPointF to);
    void drawCircle(QPointF centre, double radiusUnits);
    void drawNeedlePoint(QPointF centre);

    QImage& canvas_;
    PassObserver& observer_;
    UserScale scale_;
    QSizeF canvasSize_;
    QPainter painter_;
    bool havePrevious_ = false;
    QPointF previous_;
    QPointF designStart_;
    bool hoopMarked_ = false;
    int colour_ = 1;
    std::int64_t blockStitches_ = 0;
    int threadWidth_ = 1;

    struct PenKey {
        QRgb colour = 0;
        int width = 0;  // 0: no pen set yet
        Qt::PenStyle style = Qt::NoPen;
        bool operator==(const PenKey&) const = default;
    };
    PenKey penKey_;
};

}  // namespace tessaline
