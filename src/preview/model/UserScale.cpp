#include "preview/model/UserScale.h"

#include <cmath>

namespace tessaline {

namespace {

double usableSide(double millimetres) {
    return std::isfinite(millimetres) && millimetres > 0 ? millimetres : 1.0;
}

}  // namespace

double UserScale::designWidth() const { return width / factor; }
double UserScale::designHeight() const { return height / factor; }

CanvasPoint UserScale::toPixels(CanvasPoint drawing, double imageWidth, double imageHeight) const {
    return {(drawing.x - left) / width * imageWidth, (drawing.y - top) / height * imageHeight};
}

CanvasPoint UserScale::toDrawing(CanvasPoint pixels, double imageWidth, double imageHeight) const {
    return {left + pixels.x / imageWidth * width, top + pixels.y / imageHeight * height};
}

double UserScale::horizontalToPixels(double length, double imageWidth) const {
    return length / width * imageWidth;
}

UserScale userScale(double designWidth, double designHeight, double scaleFactor) {
    UserScale scale;
    scale.factor = std::isfinite(scaleFactor) && scaleFactor >= 1 ? scaleFactor : 1.0;
    scale.width = usableSide(designWidth) * scale.factor;
    scale.height = usableSide(designHeight) * scale.factor;
    scale.left = -scale.width / 2;
    scale.top = -scale.height / 2;
    return scale;
}

}  // namespace tessaline
