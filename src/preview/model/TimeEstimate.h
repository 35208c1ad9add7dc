#pragma once
// The colour legend's numbers and texts: per-block share, bar, statistics line, and the
// estimated total stitching time. Inputs are numbers as read leniently from the controls;
// zero, negative or non-finite inputs never produce "inf" or "nan" text.

#include <cstdint>
#include <optional>
#include <string>

namespace tessaline {

// The three machine figures the user chooses, in minutes and stitches per minute.
struct MachineTimes {
    double stitchesPerMinute = 100;  // V
    double threadChangeMinutes = 10;
    double hoopMinutes = 10;
};

// The design's totals as the window shows them: S (every record read) and K (colours).
struct JobCounts {
    double stitches = 0;
    double colours = 1;
};

// One finished colour block. minutes is empty when V is not a positive number.
struct ColourBlockStats {
    int colour = 1;              // e, the colour number that ended
    std::int64_t stitches = 0;   // n
    double sharePercent = 0;     // p = n / S x 100; 0 when S is not a positive number
    std::optional<double> minutes;  // n / V
};

ColourBlockStats colourBlockStats(int colour, std::int64_t stitches, double totalStitches,
                                  double stitchesPerMinute);

// Bar height in twips: p x 9, so a block holding every stitch hangs 900 twips.
double barHeightTwips(const ColourBlockStats& block);

// "%Color: 12.50 Estimated Time: 3.75" ("--" for the time when V is unusable).
std::string barTooltip(const ColourBlockStats& block);

// The statistics pane line, without its line break.
std::string statisticsLine(const ColourBlockStats& block);

// S / V + K x change + hoop, unrounded; empty when V is not a positive number or a figure
// is not finite.
std::optional<double> totalMinutes(const JobCounts& job, const MachineTimes& machine);

// "Total Estimated Time: 1.50Hr", "Total Estimated Time: 28Minutes" or "Total Estimated Time: --".
std::string totalEstimateCaption(const JobCounts& job, const MachineTimes& machine);

}  // namespace tessaline
