#pragma once
// Whether a design lies inside a round hoop centred on the machine home (the origin), and by how
// much it misses otherwise.

#include "design/DesignRecord.h"

#include <string>

namespace tessaline {

// The farthest any position of a design lies from the origin, gathered record by record.
class DesignReach {
public:
    void add(const DesignRecord& record);
    double radius() const;

private:
    double farthestSquared_ = 0;
};

struct HoopFit {
    bool fits = true;
    double marginMm = 0;  // room left inside the hoop's edge; negative: how far the design reaches past it
};

// A diameter that is not a positive number fits nothing.
HoopFit hoopFit(double reachMm, double hoopDiameterMm);

// "Fits the 150 mm hoop with 12.5 mm to spare." or "Does not fit the 150 mm hoop: it reaches 3.25 mm
// beyond its edge."; the margin to two decimals at most.
std::string hoopFitText(const HoopFit& fit, double hoopDiameterMm);

}  // namespace tessaline
