#pragma once
// Thread colour number k (1 to 35) as the Qt colour the canvas and the legend paint with.

#include "preview/model/ThreadPalette.h"

#include <QColor>

namespace tessaline {

inline QColor threadQColor(int number) {
    const Rgb rgb = threadColour(number);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace tessaline
