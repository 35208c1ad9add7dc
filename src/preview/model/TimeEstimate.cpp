#include "preview/model/TimeEstimate.h"

#include "common/NumberFormat.h"

#include <cmath>

namespace tessaline {

namespace {

bool isPositive(double value) { return std::isfinite(value) && value > 0; }

// A count that is not a usable number counts as none.
double usableCount(double value) { return std::isfinite(value) && value > 0 ? value : 0; }

std::string minutesText(const std::optional<double>& minutes) {
    return minutes ? formatFixed(*minutes, 2) : std::string("--");
}

}  // namespace

ColourBlockStats colourBlockStats(int colour, std::int64_t stitches, double totalStitches,
                                  double stitchesPerMinute) {
    ColourBlockStats block;
    block.colour = colour;
    block.stitches = stitches;
    const double n = static_cast<double>(stitches);
    if (isPositive(totalStitches)) block.sharePercent = n / totalStitches * 100;
    if (isPositive(stitchesPerMinute)) block.minutes = n / stitchesPerMinute;
    return block;
}

double barHeightTwips(const ColourBlockStats& block) { return block.sharePercent * 9; }

std::string barTooltip(const ColourBlockStats& block) {
    return "%Color: " + formatFixed(block.sharePercent, 2) + " Estimated Time: " + minutesText(block.minutes);
}

std::string statisticsLine(const ColourBlockStats& block) {
    return "Color: " + formatInteger(block.colour) + "   Stitches Count:" + formatInteger(block.stitches) +
           "    " + "Percent: " + formatFixed(block.sharePercent, 2) + " %" +
           "   Est.Time: " + minutesText(block.minutes) + " Min.";
}

std::optional<double> totalMinutes(const JobCounts& job, const MachineTimes& machine) {
    if (!isPositive(machine.stitchesPerMinute)) return std::nullopt;
    const double total = usableCount(job.stitches) / machine.stitchesPerMinute +
                         usableCount(job.colours) * machine.threadChangeMinutes + machine.hoopMinutes;
    if (!std::isfinite(total)) return std::nullopt;
    return total;
}

std::string totalEstimateCaption(const JobCounts& job, const MachineTimes& machine) {
    const std::string prefix = "Total Estimated Time: ";
    const auto total = totalMinutes(job, machine);
    if (!total) return prefix + "--";
    // The total is first written with two decimals and that text is what gets rounded,
    // so 59.499 reads 59.50 and then becomes 60. Doubles keep any size of total whole.
    const double whole = roundHalfEven(parseLenient(formatFixed(*total, 2)));
    if (whole > 59) return prefix + formatFixed(whole / 60, 2) + "Hr";
    return prefix + formatNumber(whole) + "Minutes";
}

}  // namespace tessaline
