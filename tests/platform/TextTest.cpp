#include "Font.h"
#include "Label.h"

#include <gtest/gtest.h>

using platform::Color;
using platform::Font;
using platform::Label;
using platform::sizeWithFont;

TEST(Font, MeasuresOneLineInWholePoints)
{
    const Font font = Font::systemFontOfSize(15);
    const CGSize empty = sizeWithFont("", font);
    const CGSize one = sizeWithFont("Wall", font);
    const CGSize two = sizeWithFont("Wall Wall", font);
    const CGSize broken = sizeWithFont("Wall\nWall", font);
    EXPECT_EQ(empty.width, 0);
    EXPECT_GT(one.width, 0);
    EXPECT_GT(two.width, one.width * 1.8f);
    EXPECT_EQ(broken.width, two.width) << "a line break counts as a space";
    EXPECT_EQ(broken.height, one.height) << "one line";
    EXPECT_GE(one.height, 15);
    EXPECT_EQ(one.height, font.lineHeight());
    EXPECT_EQ(one.width, static_cast<float>(static_cast<int>(one.width)));
    EXPECT_GT(sizeWithFont("Wall", Font::systemFontOfSize(30)).width, one.width * 1.5f);
    EXPECT_EQ(Font::systemFontOfSize(0).pointSize(), 1);
}

TEST(Label, DefaultsAndItsLayerCarriesItsState)
{
    Label label;
    EXPECT_EQ(label.textColor(), Color::black());
    EXPECT_TRUE(label.backgroundColor().isClear());
    EXPECT_EQ(label.numberOfLines(), 1);
    EXPECT_EQ(label.textAlignment(), platform::TextAlignment::Left);
    EXPECT_EQ(label.font().pointSize(), 17);

    label.setText("Princess");
    label.setNumberOfLines(0);
    label.setHidden(true);
    label.setFrame(CGRect { { 1, 2 }, { 3, 4 } });
    EXPECT_EQ(label.layer()->text(), "Princess");
    EXPECT_EQ(label.layer()->numberOfLines(), 0);
    EXPECT_TRUE(label.layer()->isHidden());
    EXPECT_FLOAT_EQ(label.layer()->frame().origin.y, 2);
}
