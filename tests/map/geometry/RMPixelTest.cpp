#include "RMPixel.h"
#include "MapTestPrinters.h"

#include <gtest/gtest.h>

namespace {

struct ScalePointCase {
    CGPoint point;
    float factor;
    CGPoint pivot;
    CGPoint scaled;
};

TEST(RMScaleCGPointAboutPoint, MovesThePointAwayFromOrTowardsThePivot)
{
    const ScalePointCase cases[] = {
        { { 12.5f, -3 }, 1, { 100, 200 }, { 12.5f, -3 } },
        { { 40, 50 }, 7.25f, { 40, 50 }, { 40, 50 } },
        { { 40, 50 }, 0, { 40, 50 }, { 40, 50 } },
        { { 3, -4 }, 2, { 0, 0 }, { 6, -8 } },
        { { 10, 10 }, 0.5f, { 20, 0 }, { 15, 5 } },
        { { 10, 10 }, 0, { 20, 0 }, { 20, 0 } },
    };
    for (const ScalePointCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.point) + " by " + ::testing::PrintToString(c.factor));
        const CGPoint scaled = RMScaleCGPointAboutPoint(c.point, c.factor, c.pivot);
        EXPECT_EQ(scaled.x, c.scaled.x);
        EXPECT_EQ(scaled.y, c.scaled.y);
    }
}

TEST(RMScaleCGPointAboutPoint, RoundsEveryStepToFloat)
{
    const float point = 40.25f;
    const float pivot = 14.125f;
    const float factor = 1.2f;
    const float inFloat = (point - pivot) * factor + pivot;
    ASSERT_NE(inFloat, static_cast<float>((double { point } - pivot) * factor + pivot));

    const CGPoint scaled = RMScaleCGPointAboutPoint({ point, point }, factor, { pivot, pivot });
    EXPECT_EQ(scaled.x, inFloat);
    EXPECT_EQ(scaled.y, inFloat);
}

TEST(RMScaleCGRectAboutPoint, ScalesOriginAboutThePivotAndSizeByTheFactor)
{
    const CGRect scaled = RMScaleCGRectAboutPoint(CGRectMake(10, 20, 256, 128), 2, { 0, 100 });
    EXPECT_TRUE(CGRectEqualToRect(scaled, CGRectMake(20, -60, 512, 256))) << ::testing::PrintToString(scaled);

    const CGRect same = RMScaleCGRectAboutPoint(CGRectMake(10, 20, 256, 128), 1, { 0, 100 });
    EXPECT_TRUE(CGRectEqualToRect(same, CGRectMake(10, 20, 256, 128))) << ::testing::PrintToString(same);
}

} // namespace
