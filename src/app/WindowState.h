#pragma once
// The window-level flags and points that several parts of the window share for its whole life.

#include "session/DesignSession.h"

#include <QPointF>

#include <optional>

namespace tessaline {

struct WindowState {
    bool crossHairOn = true;    // cross-hair follows the caret in the G-code pane
    bool invertX = false;       // X mirrored in the program and on the preview
    bool invertY = false;
    bool needlePointOn = true;  // white needle dots and the coordinate readout
    bool hoopMarked = false;    // start marker and hoop drawn in the current pass
    QPointF designStart{0, 0};  // where the last start-marker step put the start marker
    // The design this window loaded, held in the work store and checked by its seal on every
    // read: nothing else in the store is ever used.
    std::optional<DesignSession> session;
};

}  // namespace tessaline
