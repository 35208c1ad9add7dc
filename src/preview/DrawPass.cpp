#include "preview/DrawPass.h"

#include "common/NumberFormat.h"
#include "preview/DesignColours.h"
#include "preview/ThreadColour.h"

#include <QLineF>
#include <QPen>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tessaline {

namespace {

// Pixel coordinates beyond this are clipped before they reach the painter: designs whose points
// lie far off a tiny W x H box would otherwise hand the rasteriser numbers it cannot hold.
constexpr double kPixelLimit = 1e5;

// The hoop circle around the design start: one fixed blue, so the window and the converter's
// picture agree whatever the desktop's highlight colour.
const QColor kHoopCircleColour(0, 120, 215);

// The boundary lies 1 mm outside the W x H box on every side.
constexpr double kBoundaryMargin = 2;
// R = (D / 2) x (W / 48.6).
constexpr double kHoopWidthDivisor = 48.6;
constexpr double kNeedlePointRadius = 0.1;
// Colour numbers run 1 to 34 and start again; entry 35 only colours the 34th change's segment.
constexpr int kLastCycledColour = kThreadColourCount - 1;

int threadWidth(double penWidth) {
    if (!std::isfinite(penWidth)) return 1;
    return static_cast<int>(std::clamp(roundHalfEven(penWidth), 1.0, 1000.0));
}

bool withinLimit(QPointF p) { return std::fabs(p.x()) <= kPixelLimit && std::fabs(p.y()) <= kPixelLimit; }

// Liang-Barsky clipping of a segment to the square of +-kPixelLimit.
std::optional<QLineF> clipToLimit(QPointF from, QPointF to) {
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    double enter = 0;
    double leave = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {from.x() + kPixelLimit, kPixelLimit - from.x(), from.y() + kPixelLimit,
                         kPixelLimit - from.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
    }
    if (!(enter <= leave)) return std::nullopt;
    return QLineF(from.x() + enter * dx, from.y() + enter * dy, from.x() + leave * dx, from.y() + leave * dy);
}

QPointF recordPoint(const DesignRecord& record, const PassSettings& settings) {
    return {settings.invertX ? -record.x : record.x, settings.invertY ? -record.y : record.y};
}

}  // namespace

DrawPass::DrawPass(QImage& canvas, double designWidth, double designHeight, double scaleFactor,
                   PassObserver& observer)
    : canvas_(canvas), observer_(observer), scale_(userScale(designWidth, designHeight, scaleFactor)),
      canvasSize_(canvas.deviceIndependentSize()) {}

DrawPass::~DrawPass() {
    if (painter_.isActive()) painter_.end();
}

QPointF DrawPass::toCanvas(QPointF drawing) const {
    const CanvasPoint p = scale_.toPixels({drawing.x(), drawing.y()}, canvasSize_.width(), canvasSize_.height());
    return {p.x, p.y};
}

void DrawPass::begin() {
    observer_.beginLegend();
    if (painter_.isActive()) painter_.end();
    canvas_.fill(Qt::black);
    canvasSize_ = canvas_.deviceIndependentSize();
    // A null canvas leaves the painter inactive; the pass then runs its legend without drawing.
    if (!canvas_.isNull() && painter_.begin(&canvas_)) painter_.setBrush(Qt::NoBrush);
    penKey_ = {};
    hoopMarked_ = false;
    colour_ = 1;
    blockStitches_ = 0;
    havePrevious_ = false;
}

void DrawPass::row(const DesignRecord& record) {
    const PassSettings settings = observer_.settings();
    const QPointF q = recordPoint(record, settings);
    if (!havePrevious_) {
        previous_ = q;
        havePrevious_ = true;
        return;
    }
    threadWidth_ = threadWidth(settings.penWidth);
    switch (record.kind) {
        case RecordKind::Stitch:
            ++blockStitches_;
            if (blockStitches_ == 1 && !hoopMarked_) startMarkerStep(settings);
            usePen(threadColourOf(settings.colours, colour_), threadWidth_, Qt::SolidLine);
            drawSegment(previous_, q);
            observer_.showNeedle(q, colour_);
            if (settings.needlePoint) drawNeedlePoint(q);
            break;
        case RecordKind::Jump:
            usePen(threadColourOf(settings.colours, colour_), threadWidth_, Qt::DotLine);
            drawSegment(previous_, q);
            break;
        case RecordKind::ColourChange:
            ++colour_;
            observer_.endColourBlock(colour_ - 1, blockStitches_, colour_);
            blockStitches_ = 0;
            usePen(threadColourOf(settings.colours, colour_), threadWidth_, Qt::SolidLine);
            drawSegment(previous_, q);
            if (colour_ > kLastCycledColour) colour_ = 1;
            break;
        case RecordKind::Trim:
        case RecordKind::Other:
            break;
    }
    previous_ = q;
}

void DrawPass::finish() {
    if (painter_.isActive()) painter_.end();
    observer_.finishLegend(colour_);
}

void DrawPass::startMarkerStep(const PassSettings& settings) {
    designStart_ = previous_;
    observer_.placeStartMarker(previous_);
    const double diameter = std::isfinite(settings.hoopDiameter) ? settings.hoopDiameter : 0;
    const double radius = diameter / 2 * (scale_.designWidth() / kHoopWidthDivisor);
    usePen(QColor(255, 255, 0), 1, Qt::DashDotLine);
    drawCircle(QPointF(0, 0), radius);
    observer_.placeHomeMarker(QPointF(0, 0));
    if (settings.showHoop) {
        usePen(kHoopCircleColour, 1, Qt::DashDotLine);
        drawCircle(previous_, radius);
        hoopMarked_ = true;
    }
    if (settings.showBoundary) {
        const double w = scale_.designWidth() + kBoundaryMargin;
        const double h = scale_.designHeight() + kBoundaryMargin;
        const QPointF corners[4] = {{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}};
        usePen(Qt::white, threadWidth_, Qt::SolidLine);
        const QPointF topLeft = toCanvas(corners[0]);
        const QPointF bottomRight = toCanvas(corners[2]);
        if (painter_.isActive() && withinLimit(topLeft) && withinLimit(bottomRight)) {
            painter_.drawRect(QRectF(topLeft, bottomRight));
        } else {
            for (int i = 0; i < 4; ++i) drawSegment(corners[i], corners[(i + 1) % 4]);
        }
    }
}

void DrawPass::usePen(QColor colour, int width, Qt::PenStyle style) {
    if (!painter_.isActive()) return;
    // Wider pens draw dotted and dash-dot styles solid: jumps show dotted only at thickness 1.
    if (width > 1) style = Qt::SolidLine;
    // Most rows keep the pen of the row before; building a QPen allocates, so skip that then.
    const PenKey key{colour.rgba(), width, style};
    if (key == penKey_) return;
    penKey_ = key;
    painter_.setPen(QPen(colour, width, style, Qt::RoundCap, Qt::RoundJoin));
}

void DrawPass::drawSegment(QPointF from, QPointF to) {
    if (!painter_.isActive()) return;
    const QPointF a = toCanvas(from);
    const QPointF b = toCanvas(to);
    if (withinLimit(a) && withinLimit(b)) {
        painter_.drawLine(QLineF(a, b));
    } else if (const auto clipped = clipToLimit(a, b)) {
        painter_.drawLine(*clipped);
    }
}

void DrawPass::drawNeedlePoint(QPointF centre) {
    if (!painter_.isActive()) return;
    const double radius = scale_.horizontalToPixels(kNeedlePointRadius, canvasSize_.width());
    if (radius >= 0.5) {
        usePen(Qt::white, threadWidth_, Qt::SolidLine);
        drawCircle(centre, kNeedlePointRadius);
        return;
    }
    // A circle under half a pixel is just the pen's dot; filling that square instead keeps the
    // thread pen in place, so a stitch row needs no pen change.
    const QPointF c = toCanvas(centre);
    if (!withinLimit(c)) return;
    const double side = threadWidth_;
    painter_.fillRect(QRectF(c.x() - side / 2, c.y() - side / 2, side, side), Qt::white);
}

void DrawPass::drawCircle(QPointF centre, double radiusUnits) {
    if (!painter_.isActive()) return;
    const double radius = scale_.horizontalToPixels(radiusUnits, canvasSize_.width());
    const QPointF c = toCanvas(centre);
    if (!(radius > 0) || !std::isfinite(radius)) return;
    // Leave out circles that miss the canvas: wholly outside it or wholly around it.
    const double nearX = std::clamp(c.x(), 0.0, canvasSize_.width()) - c.x();
    const double nearY = std::clamp(c.y(), 0.0, canvasSize_.height()) - c.y();
    const double farX = std::max(std::fabs(c.x()), std::fabs(canvasSize_.width() - c.x()));
    const double farY = std::max(std::fabs(c.y()), std::fabs(canvasSize_.height() - c.y()));
    const double slack = painter_.pen().widthF() + 1;
    if (radius > std::hypot(farX, farY) + slack || radius < std::hypot(nearX, nearY) - slack) return;
    // What is left beyond the rasteriser's range takes a hoop diameter typed far out of range
    // or a design lying far off a tiny W x H box; such circles are left out too.
    if (radius > kPixelLimit || !withinLimit(c)) return;
    painter_.drawEllipse(c, radius, radius);
}

}  // namespace tessaline
