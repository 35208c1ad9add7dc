#include "design/HoopFit.h"

#include "common/NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace tessaline {

namespace {

// Two decimals at most, without trailing zeros: "12.5", "3.25", "150".
std::string millimetres(double value) { return formatNumber(std::round(value * 100) / 100); }

}  // namespace

void DesignReach::add(const DesignRecord& record) {
    farthestSquared_ = std::max(farthestSquared_, record.x * record.x + record.y * record.y);
}

double DesignReach::radius() const { return std::sqrt(farthestSquared_); }

HoopFit hoopFit(double reachMm, double hoopDiameterMm) {
    if (!std::isfinite(hoopDiameterMm) || !(hoopDiameterMm > 0)) return {false, -reachMm};
    const double margin = hoopDiameterMm / 2 - reachMm;
    return {margin >= 0, margin};
}

std::string hoopFitText(const HoopFit& fit, double hoopDiameterMm) {
    const std::string hoop = "the " + formatNumber(hoopDiameterMm) + " mm hoop";
    if (fit.fits) return "Fits " + hoop + " with " + millimetres(fit.marginMm) + " mm to spare.";
    // A miss never reads as "0 mm".
    return "Does not fit " + hoop + ": it reaches " + millimetres(std::max(-fit.marginMm, 0.01)) + " mm beyond its edge.";
}

}  // namespace tessaline
