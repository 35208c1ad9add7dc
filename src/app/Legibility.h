#pragma once
// Whether a colour stands out against another, so thread colours read on any pane.

#include <QColor>

namespace tessaline {

// The contrast ratio of two colours by their relative luminance: 1 for equal luminance, 21 for
// black against white.
double contrastRatio(const QColor& a, const QColor& b);

// Whether colour reads against background: a contrast of at least 3:1, the least for large text
// and for shapes.
bool readsOn(const QColor& colour, const QColor& background);

// Black or white, whichever contrasts more with colour; either way at least 4.58:1.
QColor contrastingColour(const QColor& colour);

}  // namespace tessaline
