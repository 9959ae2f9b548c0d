#include "RMFoundation.h"
#include "MapTestPrinters.h"

#include <gtest/gtest.h>

namespace {

struct ScaleProjectedCase {
    RMProjectedPoint point;
    float factor;
    RMProjectedPoint pivot;
    RMProjectedPoint scaled;
};

TEST(RMScaleProjectedPointAboutPoint, MovesThePointAwayFromOrTowardsThePivot)
{
    const ScaleProjectedCase cases[] = {
        { { 1000.5, -3 }, 1, { 10, 20 }, { 1000.5, -3 } },
        { { 1000.5, -3 }, 2, { 0, 0 }, { 2001, -6 } },
        { { 1000, 1000 }, 0.5f, { 2000, 0 }, { 1500, 500 } },
        { { -20037508.34, 20037508.34 }, 3, { -20037508.34, 20037508.34 }, { -20037508.34, 20037508.34 } },
    };
    for (const ScaleProjectedCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.point));
        EXPECT_EQ(RMScaleProjectedPointAboutPoint(c.point, c.factor, c.pivot), c.scaled);
    }
}

TEST(RMScaleProjectedPointAboutPoint, WidensTheFloatFactorAndWorksInDouble)
{
    // 0.1f is 0.100000001490116...; the product must keep the metres that
    // float arithmetic would round away.
    const RMProjectedPoint point { 10000000.3, -10000000.3 };
    const double factor = 0.1f;
    const RMProjectedPoint expected { point.easting * factor, point.northing * factor };
    ASSERT_NE(expected.easting, static_cast<double>(static_cast<float>(point.easting) * 0.1f));
    ASSERT_NE(expected.easting, point.easting * 0.1);

    EXPECT_EQ(RMScaleProjectedPointAboutPoint(point, 0.1f, { 0, 0 }), expected);
}

TEST(RMScaleProjectedRectAboutPoint, HalvingAboutTheOriginKeepsTheOriginAndSizesScaleInDouble)
{
    const RMProjectedRect rect = RMMakeProjectedRect(-5000, 7000, 6400, 4600);
    EXPECT_EQ(RMScaleProjectedRectAboutPoint(rect, 0.5f, rect.origin),
        RMMakeProjectedRect(-5000, 7000, 3200, 2300));

    const RMProjectedRect scaled
        = RMScaleProjectedRectAboutPoint(RMMakeProjectedRect(0, 0, 40075016.68, 3), 0.1f, { 0, 0 });
    EXPECT_EQ(scaled.size.width, double { 0.1f } * 40075016.68);
    EXPECT_EQ(scaled.size.height, double { 0.1f } * 3);
}

} // namespace
