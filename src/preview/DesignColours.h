#pragma once
// Which colour paints thread colour number k: the design's own thread list when it carries one
// and the user wants it, else the fixed thread palette. Shared by the canvas, legend and readout.

#include "design/DesignFormat.h"

#include <QColor>

#include <vector>

namespace tessaline {

class DesignColours {
public:
    // The loaded design's threads in stitching order; empty for a design without colours.
    void setThreads(std::vector<QColor> threads) { threads_ = std::move(threads); }
    void setUseDesignThreads(bool use) { useDesignThreads_ = use; }
    bool useDesignThreads() const { return useDesignThreads_; }
    bool hasThreads() const { return !threads_.empty(); }

    // Colour number k counts colour blocks from 1; past the end of the list it starts again.
    QColor colour(int number) const;

private:
    std::vector<QColor> threads_;
    bool useDesignThreads_ = true;
};

// A design's thread list as the colours to paint it with.
std::vector<QColor> threadColours(const std::vector<DesignThread>& threads);

// The palette colour when colours is null.
QColor threadColourOf(const DesignColours* colours, int number);

}  // namespace tessaline
