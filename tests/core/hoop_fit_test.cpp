#include "design/HoopFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tessaline {
namespace {

double reachOf(std::initializer_list<DesignRecord> records) {
    DesignReach reach;
    for (const DesignRecord& r : records) reach.add(r);
    return reach.radius();
}

TEST(HoopFitTest, JustInsideAndJustOutsideTheCircle) {
    // A 3-4-5 point: 50 mm from home, whatever the signs.
    const double reach = reachOf({{RecordKind::Jump, 0, 0}, {RecordKind::Stitch, -30, 40}, {RecordKind::Stitch, 10, 10}});
    EXPECT_DOUBLE_EQ(reach, 50);
    const struct {
        double diameter;
        bool fits;
        double margin;
        const char* text;
    } cases[] = {
        {100.02, true, 0.01, "Fits the 100.02 mm hoop with 0.01 mm to spare."},
        {100, true, 0, "Fits the 100 mm hoop with 0 mm to spare."},
        {99.98, false, -0.01, "Does not fit the 99.98 mm hoop: it reaches 0.01 mm beyond its edge."},
        {99.9999, false, -0.00005, "Does not fit the 99.9999 mm hoop: it reaches 0.01 mm beyond its edge."},
        {93.5, false, -3.25, "Does not fit the 93.5 mm hoop: it reaches 3.25 mm beyond its edge."},
        {0, false, -50, "Does not fit the 0 mm hoop: it reaches 50 mm beyond its edge."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.diameter);
        const HoopFit fit = hoopFit(reach, c.diameter);
        EXPECT_EQ(fit.fits, c.fits);
        EXPECT_NEAR(fit.marginMm, c.margin, 1e-9);
        EXPECT_EQ(hoopFitText(fit, c.diameter), c.text);
    }
    EXPECT_FALSE(hoopFit(reach, std::numeric_limits<double>::quiet_NaN()).fits);
    EXPECT_TRUE(hoopFit(reachOf({}), 100).fits);
}

}  // namespace
}  // namespace tessaline
