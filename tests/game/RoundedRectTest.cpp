#include "RoundedRect.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <gtest/gtest.h>

#include <vector>

using game::addRoundedRectToPath;

TEST(RoundedRectTest, AnOvalOfZeroAddsThePlainRectangle)
{
    for (const auto& [ovalWidth, ovalHeight] : std::vector<std::pair<float, float>> { { 0, 4 }, { 4, 0 } }) {
        QPainterPath path;
        addRoundedRectToPath(path, platform::CGRectMake(1, 2, 30, 10), ovalWidth, ovalHeight);
        QPainterPath plain;
        plain.addRect(QRectF(1, 2, 30, 10));
        EXPECT_EQ(path, plain);
    }
}

TEST(RoundedRectTest, CornersAreQuarterEllipsesOfTheOvalSize)
{
    QPainterPath path;
    addRoundedRectToPath(path, platform::CGRectMake(10, 20, 40, 16), 8, 4);
    EXPECT_EQ(path.boundingRect(), QRectF(10, 20, 40, 16));
    // The ellipse of the top-left corner has its centre at (18, 24).
    EXPECT_TRUE(path.contains(QPointF(18 - 8 * 0.69, 24 - 4 * 0.69)));
    EXPECT_FALSE(path.contains(QPointF(18 - 8 * 0.73, 24 - 4 * 0.73)));
    EXPECT_TRUE(path.contains(QPointF(10.1, 28))) << "middle of the left edge";
    EXPECT_TRUE(path.contains(QPointF(49.9, 35.9 - 4))) << "right edge above the corner";
    EXPECT_FALSE(path.contains(QPointF(49.9, 35.9))) << "bottom-right corner cut off";
}
