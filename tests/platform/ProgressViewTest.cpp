#include "ProgressView.h"
#include "Compositor.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using platform::CGRect;
using platform::ProgressView;

namespace {

// Records the rectangles it is asked to draw and draws nothing.
class RecordingBar : public ProgressView {
public:
    using ProgressView::ProgressView;
    void drawRect(QPainter&, CGRect rect) const override { rects.push_back(rect); }
    mutable std::vector<CGRect> rects;
};

QImage paint(const ProgressView& view)
{
    QImage image(view.width(), view.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    platform::Compositor::paint(painter, view.layer(), 0);
    return image;
}

} // namespace

TEST(ProgressViewTest, ProgressIsClampedAndStyleKept)
{
    ProgressView view;
    EXPECT_EQ(view.progress(), 0);
    EXPECT_EQ(view.progressViewStyle(), ProgressView::Style::Default);
    const std::vector<std::pair<float, float>> cases { { 0.25f, 0.25f }, { 1.5f, 1 }, { -2, 0 },
        { std::numeric_limits<float>::infinity(), 1 }, { std::nanf(""), 0 } };
    for (const auto& [given, kept] : cases) {
        view.setProgress(given);
        EXPECT_EQ(view.progress(), kept) << given;
    }
    view.setProgressViewStyle(ProgressView::Style::Bar);
    EXPECT_EQ(view.progressViewStyle(), ProgressView::Style::Bar);
}

TEST(ProgressViewTest, DrawRectIsAskedForTheBoundsOnEveryPaintOfTheTree)
{
    RecordingBar view(platform::CGRectMake(30, 40, 120, 9));
    paint(view);
    view.setFrame(platform::CGRectMake(0, 0, 80, 6));
    paint(view);
    ASSERT_EQ(view.rects.size(), 2u);
    EXPECT_TRUE(platform::CGRectEqualToRect(view.rects[0], platform::CGRectMake(0, 0, 120, 9)));
    EXPECT_TRUE(platform::CGRectEqualToRect(view.rects[1], platform::CGRectMake(0, 0, 80, 6)));
}

TEST(ProgressViewTest, DefaultBarFillsFromTheLeftAsFarAsTheProgress)
{
    ProgressView view(platform::CGRectMake(0, 0, 100, 10));
    view.setProgress(0.5f);
    const QImage image = view.grab().toImage();
    const QColor filled = image.pixelColor(20, 5);
    const QColor track = image.pixelColor(80, 5);
    EXPECT_GT(filled.blue(), 200);
    EXPECT_LT(filled.red(), 40);
    EXPECT_GT(track.red(), 200);
    EXPECT_GT(track.blue(), 200);
}
