#include "ProgressView.h"
#include "Compositor.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using platform::CGRect;
using platform::CGRectMake;
using platform::ProgressView;

namespace {

// Records the rectangles it is asked to draw and draws nothing.
class RecordingBar : public ProgressView {
public:
    using ProgressView::ProgressView;
    void drawRect(QPainter&, CGRect rect) const override { rects.push_back(rect); }
    mutable std::vector<CGRect> rects;
};

void paint(const ProgressView& view)
{
    QImage image(view.width(), view.height(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    platform::Compositor::paint(painter, view.layer(), 0);
}

} // namespace

TEST(ProgressViewTest, ProgressIsClampedToZeroToOne)
{
    ProgressView view;
    EXPECT_EQ(view.progress(), 0);
    const std::vector<std::pair<float, float>> cases { { 0.25f, 0.25f }, { 1.5f, 1 }, { -2, 0 },
        { std::numeric_limits<float>::infinity(), 1 }, { std::nanf(""), 0 } };
    for (const auto& [given, kept] : cases) {
        view.setProgress(given);
        EXPECT_EQ(view.progress(), kept) << given;
    }
}

TEST(ProgressViewTest, DrawRectIsAskedForTheBoundsOnEveryPaintOfTheTree)
{
    RecordingBar view(CGRectMake(30, 40, 120, 9));
    paint(view);
    view.setFrame(CGRectMake(0, 0, 80, 6));
    paint(view);
    ASSERT_EQ(view.rects.size(), 2u);
    EXPECT_TRUE(platform::CGRectEqualToRect(view.rects[0], CGRectMake(0, 0, 120, 9)));
    EXPECT_TRUE(platform::CGRectEqualToRect(view.rects[1], CGRectMake(0, 0, 80, 6)));
}
