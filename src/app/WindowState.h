#pragma once
// The window-level flags and points that several parts of the window share for its whole life.

#include "design/DesignFormat.h"
#include "design/DesignSeal.h"

#include <QPointF>

#include <optional>
#include <vector>

namespace tessaline {

struct WindowState {
    bool crossHairOn = true;    // cross-hair follows the caret in the G-code pane
    bool invertX = false;       // X mirrored in the program and on the preview
    bool invertY = false;
    bool needlePointOn = true;  // white needle dots and the coordinate readout
    bool hoopMarked = false;    // start marker and hoop drawn in the current pass
    QPointF designStart{0, 0};  // where the last start-marker step put the start marker
    // The design this window loaded, as stored; nothing else in the store is ever used.
    std::optional<DesignSeal> loadedDesign;
    double designReach = 0;  // mm, the farthest any position of the loaded design lies from home
    DesignFigures designFigures;  // of the loaded design: its extents for the outline trace
    // The loaded design's record kinds in order: all the needle plan counts, so a program costs
    // one pass over the store rather than two.
    std::vector<RecordKind> loadedKinds;
    std::vector<DesignThread> designThreads;  // of the loaded design, as its file names them
};

}  // namespace tessaline
