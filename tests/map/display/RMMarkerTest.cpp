#include "RMMarker.h"

#include "Label.h"
#include "TestImages.h"

#include <gtest/gtest.h>

namespace {

platform::Image picture(int width, int height)
{
    return platform::Image::fromQImage(vantry::test::makeSolidImage(width, height, Qt::green));
}

TEST(RMMarkerTest, APictureGivesBoundsAndAnchor)
{
    RMMarker marker(picture(20, 30));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 20, 30), marker.bounds()));
    EXPECT_EQ(0.5f, marker.anchorPoint().x);
    EXPECT_EQ(0.5f, marker.anchorPoint().y);
    EXPECT_FALSE(marker.masksToBounds());
    EXPECT_EQ(picture(20, 30).size().width, marker.contents().size().width);

    marker.replaceUIImageAnchorPoint(picture(8, 9), CGPointMake(0.5f, 1));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 8, 9), marker.bounds()));
    EXPECT_EQ(1.0f, marker.anchorPoint().y);
}

TEST(RMMarkerTest, ACentredLabelSitsFourPointsDownAndIsFourPointsWider)
{
    RMMarker marker(picture(40, 40));
    const std::string text = "A label of some width";
    marker.changeLabelUsingText(text);
    const CGSize measured = platform::sizeWithFont(text, RMMarker::defaultFont());
    ASSERT_NE(nullptr, marker.labelView());
    const CGRect frame = marker.labelView()->frame();
    EXPECT_FLOAT_EQ(20 - measured.width / 2, frame.origin.x);
    EXPECT_FLOAT_EQ(4, frame.origin.y);
    EXPECT_FLOAT_EQ(measured.width + 4, frame.size.width);
    EXPECT_FLOAT_EQ(measured.height + 4, frame.size.height);
    EXPECT_EQ(0, marker.labelView()->numberOfLines());
    EXPECT_EQ(platform::TextAlignment::Center, marker.labelView()->textAlignment());
    EXPECT_EQ(platform::kAutoresizingFlexibleWidth, marker.labelView()->autoresizingMask());
    EXPECT_EQ(marker.labelView()->layer(), marker.sublayers().back());
}

TEST(RMMarkerTest, ExplicitColoursBecomeTheMarkersColours)
{
    RMMarker marker(picture(40, 40));
    const platform::Color red { 1, 0, 0, 1 };
    const platform::Color white = platform::Color::white();
    marker.changeLabelUsingTextFontForegroundColorBackgroundColor("x", RMMarker::defaultFont(), red, white);
    EXPECT_EQ(red, marker.textForegroundColor());
    marker.changeLabelUsingText("y");
    EXPECT_EQ(red, marker.labelView()->textColor());
    EXPECT_EQ(white, marker.labelView()->backgroundColor());

    marker.changeLabelUsingTextPosition("z", CGPointMake(3, 5));
    EXPECT_FLOAT_EQ(3, marker.labelView()->frame().origin.x);
    EXPECT_EQ(1u, marker.sublayers().size());
}

TEST(RMMarkerTest, LabelsShowHideAndToggle)
{
    RMMarker marker(picture(10, 10));
    marker.toggleLabel();
    EXPECT_TRUE(marker.sublayers().empty());

    auto label = std::make_shared<platform::Label>(CGRectMake(0, 0, 5, 5));
    marker.setLabel(label);
    marker.setLabel(label);
    EXPECT_EQ(1u, marker.sublayers().size());

    marker.hideLabel();
    marker.hideLabel();
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(marker.sublayers().empty());
    marker.showLabel();
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(1u, marker.sublayers().size());
    marker.toggleLabel();
    EXPECT_TRUE(marker.sublayers().empty());
    marker.toggleLabel();
    EXPECT_EQ(1u, marker.sublayers().size());

    marker.setLabel(nullptr);
    EXPECT_EQ(nullptr, marker.labelView());
    EXPECT_TRUE(marker.sublayers().empty());
}

TEST(RMMarkerTest, ZoomMovesTheMarkerButKeepsItsSize)
{
    RMMarker marker(picture(10, 10));
    marker.setPosition(CGPointMake(10, 10));
    marker.zoomByFactorNear(2, CGPointZero);
    EXPECT_EQ(20, marker.position().x);
    EXPECT_EQ(20, marker.position().y);
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 10, 10), marker.bounds()));
    marker.moveBy(CGSizeMake(-5, 1));
    EXPECT_EQ(15, marker.position().x);
}

TEST(RMMarkerTest, CarriesItsOwnersData)
{
    RMMarker marker;
    marker.setData(std::string("object 7"));
    EXPECT_EQ("object 7", std::any_cast<std::string>(marker.data()));
    marker.setProjectedLocation(RMProjectedPoint { 1, 2 });
    EXPECT_EQ(2, marker.projectedLocation().northing);
}

} // namespace
