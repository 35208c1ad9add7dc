#pragma once
// The preview canvas's user scale: which rectangle of drawing units (design millimetres, origin
// at the canvas centre, y down) the whole canvas shows, and the mapping onto an image of it.

namespace tessaline {

// Side of the square canvas in twips, and in pixels at 15 twips per pixel.
inline constexpr double kCanvasTwips = 10000;
inline constexpr double kCanvasPixels = kCanvasTwips / 15;

struct CanvasPoint {
    double x = 0;
    double y = 0;
};

struct UserScale {
    double left = 0;    // -W*s/2
    double top = 0;     // -H*s/2
    double width = 1;   // W*s, never 0
    double height = 1;  // H*s, never 0
    double factor = 1;  // s

    // W and H as the scale holds them (after the guard of userScale).
    double designWidth() const;
    double designHeight() const;

    // Pixel position of a drawing-unit point on an image of the given size that shows the canvas.
    CanvasPoint toPixels(CanvasPoint drawing, double imageWidth, double imageHeight) const;
    // The drawing-unit point at a pixel position: the inverse of toPixels.
    CanvasPoint toDrawing(CanvasPoint pixels, double imageWidth, double imageHeight) const;
    // A horizontal length in drawing units as pixels: circle radii are measured this way.
    double horizontalToPixels(double length, double imageWidth) const;
};

// The W x H box maps onto a central square of 1/s of the canvas, so larger s shows the design
// smaller. W or H that is 0, negative or not a number counts as 1 mm; s below 1 or not a number as 1.
UserScale userScale(double designWidth, double designHeight, double scaleFactor);

}  // namespace tessaline
