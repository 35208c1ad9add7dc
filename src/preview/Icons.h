#pragma once
// The three marker images shown on top of the preview canvas, from the program's resources.

#include <QImage>
#include <QSizeF>

namespace tessaline {

enum class MarkerIcon {
    DesignStart,  // blue disc with a cross, centred on the design's start point
    MachineHome,  // yellow ring around a red ring and cross, top-left corner at the origin
    Needle,       // two-colour cross-hair, centred on the needle or the tracked G-code point
};

// Loaded on first use and kept; a null image only if the resources are missing from the build.
const QImage& markerImage(MarkerIcon icon);

// Size at which the marker is shown, in logical pixels of the canvas (16 or 32).
QSizeF markerDisplaySize(MarkerIcon icon);

}  // namespace tessaline
