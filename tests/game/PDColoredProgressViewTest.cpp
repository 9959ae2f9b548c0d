#include "PDColoredProgressView.h"
#include "Compositor.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using game::PDColoredProgressView;
using platform::Color;

namespace {

// Antialiased edges and 8-bit rounding leave colours a few levels off.
constexpr int kTolerance = 4;

// The bar drawn through the view's layer tree onto transparent pixels.
QImage paint(const platform::ProgressView& bar)
{
    QImage image(bar.width(), bar.height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    platform::Compositor::paint(painter, bar.layer(), 0);
    return image;
}

struct Pixel {
    int x, y, red, green, blue;
    const char* what;
};

void expectPixels(const QImage& image, const std::vector<Pixel>& pixels)
{
    for (const Pixel& p : pixels) {
        const QColor seen = image.pixelColor(p.x, p.y);
        const bool near = std::abs(seen.red() - p.red) <= kTolerance
            && std::abs(seen.green() - p.green) <= kTolerance && std::abs(seen.blue() - p.blue) <= kTolerance;
        EXPECT_TRUE(near && seen.alpha() == 255)
            << p.what << " at " << p.x << ", " << p.y << ": " << qPrintable(seen.name(QColor::HexArgb));
    }
}

// A 200 × 20 bar: the upper band ends at 20 / 1.75 ≈ 11.4, the top band at
// 11.4 / 2.7 ≈ 4.2, the bottom line's visible half covers row 19. Colours
// over the white track: top band 0.8 × 163 + 0.2 × (0.9 × 202 + 0.1 × 255)
// ≈ 172, upper band ≈ 207, bottom line 0.9 × 178 + 0.1 × 255 ≈ 186. At row
// 2 the gloss is white at alpha 0.45 + 0.3 × (11.43 − 2.5) / 11.43 ≈ 0.684.
class PDColoredProgressViewTest : public ::testing::Test {
protected:
    PDColoredProgressView bar { platform::CGRectMake(0, 0, 200, 20) };
};

} // namespace

TEST_F(PDColoredProgressViewTest, AtProgressZeroOnlyTheTrackBandsAndBottomLineShow)
{
    const QImage image = paint(bar);
    expectPixels(image,
        { { 100, 2, 172, 172, 172, "top band" }, { 5, 2, 172, 172, 172, "top band under an empty fill" },
            { 100, 8, 207, 207, 207, "upper band" }, { 100, 15, 255, 255, 255, "track" },
            { 100, 19, 186, 186, 186, "bottom line" } });
    EXPECT_LT(image.pixelColor(0, 0).alpha(), 128) << "rounded corner";
    EXPECT_EQ(bar.tintColor(), (Color { 43 / 255.0f, 134 / 255.0f, 225 / 255.0f, 1 }))
        << "the default fill is kept";
}

TEST_F(PDColoredProgressViewTest, TheTintFillsTheProgressWithBorderAndGloss)
{
    bar.setTintColor(Color { 0.9f, 0.4f, 0, 1 });
    bar.setProgress(0.4f);
    const QImage image = paint(bar);
    expectPixels(image,
        { { 40, 15, 230, 102, 0, "fill" }, { 40, 2, 247, 207, 174, "gloss over the fill" },
            { 81, 15, 255, 255, 255, "track beyond the fill" },
            { 120, 2, 172, 172, 172, "top band beyond the fill" },
            { 120, 19, 186, 186, 186, "bottom line beyond the fill" } });
    EXPECT_LT(image.pixelColor(79, 15).red(), image.pixelColor(78, 15).red() - 10) << "fill border";
}

TEST_F(PDColoredProgressViewTest, AClearTintLetsTheTrackShowButKeepsBorderAndGloss)
{
    bar.setTintColor(Color::clear());
    bar.setProgress(0.4f);
    const QImage image = paint(bar);
    expectPixels(image,
        { { 40, 15, 255, 255, 255, "track through the fill" },
            { 40, 2, 229, 229, 229, "gloss over the top band" },
            { 120, 2, 172, 172, 172, "top band beyond the fill" } });
    EXPECT_LT(image.pixelColor(79, 15).red(), 245) << "fill border";
    EXPECT_EQ(bar.tintColor(), Color::clear());
}

TEST_F(PDColoredProgressViewTest, TheBarStyleDrawsThePlatformBar)
{
    platform::ProgressView plain(platform::CGRectMake(0, 0, 200, 20));
    for (platform::ProgressView* view : { static_cast<platform::ProgressView*>(&bar), &plain }) {
        view->setProgress(0.4f);
        view->setProgressViewStyle(platform::ProgressView::Style::Bar);
    }
    EXPECT_EQ(paint(bar), paint(plain));
    EXPECT_GT(paint(plain).pixelColor(20, 10).blue(), 200) << "the platform's blue fill";
}

TEST_F(PDColoredProgressViewTest, ANewTintWaitsForTheNextProgressToShow)
{
    struct CountingBar : PDColoredProgressView {
        using PDColoredProgressView::PDColoredProgressView;
        void paintEvent(QPaintEvent* event) override
        {
            ++paints;
            PDColoredProgressView::paintEvent(event);
        }
        int paints = 0;
    } shown(platform::CGRectMake(0, 0, 100, 10));
    shown.show();
    QCoreApplication::processEvents();
    shown.paints = 0;

    shown.setTintColor(Color { 1, 0, 0, 1 });
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.paints, 0);
    shown.setProgress(0.5f);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.paints, 1);
}
