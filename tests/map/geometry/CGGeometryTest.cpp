#include "CGGeometry.h"
#include "MapTestPrinters.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct ContainsPointCase {
    CGRect rect;
    CGPoint point;
    bool contained;
};

TEST(CGRectContainsPoint, IncludesTheMinimumEdgesAndExcludesTheMaximumEdges)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const ContainsPointCase cases[] = {
        { CGRectMake(0, 0, 320, 460), { 0, 0 }, true },
        { CGRectMake(0, 0, 320, 460), { 160, 230 }, true },
        { CGRectMake(0, 0, 320, 460), { 319.9f, 459.9f }, true },
        { CGRectMake(0, 0, 320, 460), { 320, 10 }, false },
        { CGRectMake(0, 0, 320, 460), { 10, 460 }, false },
        { CGRectMake(0, 0, 320, 460), { -0.1f, 10 }, false },
        { CGRectMake(10, 10, -10, -10), { 0, 0 }, true },
        { CGRectMake(10, 10, -10, -10), { 10, 5 }, false },
        { CGRectMake(5, 5, 0, 0), { 5, 5 }, false },
        { CGRectMake(0, 0, 320, 460), { nan, 10 }, false },
    };
    for (const ContainsPointCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.rect) + " " + ::testing::PrintToString(c.point));
        EXPECT_EQ(CGRectContainsPoint(c.rect, c.point), c.contained);
    }
}

struct ContainsRectCase {
    CGRect outer;
    CGRect inner;
    bool contained;
};

TEST(CGRectContainsRect, IncludesAllEdges)
{
    const ContainsRectCase cases[] = {
        { CGRectMake(0, 0, 320, 460), CGRectMake(0, 0, 320, 460), true },
        { CGRectMake(0, 0, 320, 460), CGRectMake(10, 10, 20, 20), true },
        { CGRectMake(0, 0, 320, 460), CGRectMake(300, 10, 21, 20), false },
        { CGRectMake(0, 0, 320, 460), CGRectMake(-1, 10, 20, 20), false },
        { CGRectMake(0, 0, 320, 460), CGRectMake(320, 460, 0, 0), true },
        { CGRectMake(0, 0, 320, 460), CGRectMake(400, 10, 0, 0), false },
        { CGRectMake(320, 460, -320, -460), CGRectMake(30, 20, -10, -10), true },
    };
    for (const ContainsRectCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.outer) + " " + ::testing::PrintToString(c.inner));
        EXPECT_EQ(CGRectContainsRect(c.outer, c.inner), c.contained);
    }
}

TEST(CGGeometryEquality, ComparesRectanglesInStandardForm)
{
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, -1, -1), CGRectMake(-1, -1, 1, 1)));
    EXPECT_FALSE(CGRectEqualToRect(CGRectMake(0, 0, 1, 1), CGRectMake(0, 0, 1, 2)));
    EXPECT_TRUE(CGRectEqualToRect(CGRect {}, CGRectZero));
}

} // namespace
