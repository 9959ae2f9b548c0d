#include "Compositor.h"
#include "Image.h"
#include "Label.h"
#include "Layer.h"
#include "ManualClock.h"
#include "ScrollLayer.h"
#include "TestImages.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using platform::BasicAnimation;
using platform::Color;
using platform::Compositor;
using platform::Image;
using platform::Layer;
using platform::Transform3D;
using vantry::test::makeSolidImage;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

// A layer at (x, y) (its top left: anchor (0, 0)) of the given size.
std::shared_ptr<Layer> box(float x, float y, float width, float height)
{
    auto layer = std::make_shared<Layer>();
    layer->setAnchorPoint(CGPoint { 0, 0 });
    layer->setPosition(CGPoint { x, y });
    layer->setBounds(CGRect { { 0, 0 }, { width, height } });
    return layer;
}

std::shared_ptr<Layer> picture(float x, float y, QColor color, int size = 10)
{
    auto layer = box(x, y, static_cast<float>(size), static_cast<float>(size));
    layer->setContents(Image::fromQImage(makeSolidImage(size, size, color)));
    return layer;
}

// Vertical stripes one pixel wide, red and blue: resampled smoothly to
// another size they blend, copied or taken by the nearest pixel they do not.
QImage stripes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, x % 2 ? kBlue : kRed);
    return image;
}

// Pixels of `image` inside `area` that are neither pure red nor pure blue.
int blendedPixels(const QImage& image, const QRect& area)
{
    int blended = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            blended += image.pixel(x, y) != kRed && image.pixel(x, y) != kBlue ? 1 : 0;
    return blended;
}

class CompositorTest : public ::testing::Test {
protected:
    // 100 × 100 points on a panel of `ratio` pixels per point.
    QImage render(const Layer& root, double time = 0, double ratio = 1,
        Compositor::Resampling resampling = Compositor::Resampling::Smooth, bool* provisional = nullptr)
    {
        const int side = static_cast<int>(100 * ratio);
        QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(ratio);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        const bool drewProvisionally = Compositor::paint(painter, root, time, resampling);
        if (provisional)
            *provisional = drewProvisionally;
        return canvas;
    }

    // The smallest rectangle holding every pixel of `color`.
    static QRect extent(const QImage& image, QRgb color)
    {
        QRect found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == color)
                    found |= QRect(x, y, 1, 1);
        return found;
    }

    std::shared_ptr<Layer> root = box(0, 0, 100, 100);
};

} // namespace

TEST_F(CompositorTest, AnchorPointAndPositionPlaceTheLayer)
{
    auto centred = picture(0, 0, Qt::red);
    centred->setAnchorPoint(CGPoint { 0.5f, 0.5f });
    centred->setPosition(CGPoint { 50, 50 });
    auto bottomCentred = picture(0, 0, Qt::blue);
    bottomCentred->setAnchorPoint(CGPoint { 0.5f, 1 });
    bottomCentred->setPosition(CGPoint { 20, 90 });
    root->setSublayers({ centred, bottomCentred });
    const QImage image = render(*root);
    EXPECT_EQ(extent(image, kRed), QRect(45, 45, 10, 10));
    EXPECT_EQ(extent(image, kBlue), QRect(15, 80, 10, 10));
    root->setSublayers({ picture(25, 35, Qt::red) });
    EXPECT_EQ(extent(render(*root), kRed), QRect(25, 35, 10, 10)) << "top left anchor";
}

TEST_F(CompositorTest, BackgroundColourFillsTheBounds)
{
    auto layer = box(5, 6, 7, 8);
    layer->setBackgroundColor(Color { 1, 0, 0, 1 });
    root->addSublayer(layer);
    EXPECT_EQ(extent(render(*root), kRed), QRect(5, 6, 7, 8));
}

TEST_F(CompositorTest, SublayersAreDrawnInOrderLaterOnTop)
{
    auto red = picture(10, 10, Qt::red);
    auto blue = picture(15, 10, Qt::blue);
    root->setSublayers({ red, blue });
    QImage image = render(*root);
    EXPECT_EQ(image.pixel(17, 12), kBlue);
    EXPECT_EQ(extent(image, kRed), QRect(10, 10, 5, 10));

    root->insertSublayerAbove(red, blue.get());
    image = render(*root);
    EXPECT_EQ(image.pixel(17, 12), kRed);
}

TEST_F(CompositorTest, HiddenLayersAndTheirSublayersAreSkipped)
{
    auto parent = box(10, 10, 50, 50);
    parent->addSublayer(picture(5, 5, Qt::red));
    root->addSublayer(parent);
    parent->setHidden(true);
    EXPECT_TRUE(extent(render(*root), kRed).isNull());
    parent->setHidden(false);
    EXPECT_EQ(extent(render(*root), kRed), QRect(15, 15, 10, 10));
}

TEST_F(CompositorTest, MasksToBoundsClipsSublayers)
{
    auto parent = box(10, 10, 20, 20);
    auto big = picture(-5, -5, Qt::red, 40);
    parent->addSublayer(big);
    root->addSublayer(parent);
    EXPECT_EQ(extent(render(*root), kRed), QRect(5, 5, 40, 40));
    parent->setMasksToBounds(true);
    EXPECT_EQ(extent(render(*root), kRed), QRect(10, 10, 20, 20));

    // Nested clips intersect.
    auto inner = box(10, 10, 30, 30);
    inner->setMasksToBounds(true);
    big->removeFromSuperlayer();
    inner->addSublayer(big);
    parent->addSublayer(inner);
    EXPECT_EQ(extent(render(*root), kRed), QRect(20, 20, 10, 10));
}

TEST_F(CompositorTest, ScrolledBoundsShiftTheSublayers)
{
    auto scroller = std::make_shared<platform::ScrollLayer>();
    scroller->setAnchorPoint(CGPoint { 0, 0 });
    scroller->setBounds(CGRect { { 0, 0 }, { 50, 50 } });
    scroller->addSublayer(picture(20, 20, Qt::red));
    scroller->scrollToPoint(CGPoint { 15, 5 });
    root->addSublayer(scroller);
    EXPECT_EQ(extent(render(*root), kRed), QRect(5, 15, 10, 10));
}

TEST_F(CompositorTest, ContentsAreScaledToTheBounds)
{
    QImage quarters(2, 2, QImage::Format_RGB32);
    quarters.setPixel(0, 0, kRed);
    quarters.setPixel(1, 0, kBlue);
    quarters.setPixel(0, 1, kBlue);
    quarters.setPixel(1, 1, kRed);
    auto layer = box(10, 10, 20, 20);
    layer->setContents(Image::fromQImage(quarters));
    root->addSublayer(layer);
    const QImage image = render(*root);
    EXPECT_EQ(image.pixel(10, 10), kRed);
    EXPECT_EQ(image.pixel(29, 10), kBlue);
    EXPECT_EQ(image.pixel(10, 29), kBlue);
    EXPECT_EQ(image.pixel(29, 29), kRed);
    EXPECT_EQ(image.pixel(9, 9), kWhite);
    EXPECT_EQ(image.pixel(30, 30), kWhite);
}

TEST_F(CompositorTest, TilesAtFractionalPlacesCoverTheirAreaWithoutGaps)
{
    // Three tiles scaled by a fraction at fractional places, side by side,
    // on panels of 1, 2 and 3 pixels per point.
    for (const double ratio : { 1.0, 2.0, 3.0 }) {
        for (const float side : { 15.0f, 13.37109375f, 7.6171875f }) {
            std::vector<std::shared_ptr<Layer>> tiles;
            for (int column = 0; column < 3; ++column) {
                auto tile = picture(0, 0, Qt::red);
                tile->setBounds(CGRect { { 0, 0 }, { side, side } });
                tile->setPosition(CGPoint { 10.5f + side * static_cast<float>(column), 10.25f });
                tiles.push_back(tile);
            }
            root->setSublayers(tiles);
            const QImage image = render(*root, 0, ratio);
            const int row = static_cast<int>(12 * ratio);
            for (int x = static_cast<int>(11 * ratio); x < static_cast<int>((10 + 3 * side) * ratio); ++x)
                ASSERT_EQ(image.pixel(x, row), kRed) << "ratio " << ratio << ", side " << side << ", x " << x;
        }
    }
}

TEST_F(CompositorTest, PicturesOfThePanelsResolutionAreCopiedOntoWholePanelPixels)
{
    // A 3 × 3-point layer showing 3r × 3r pixels on a panel of r pixels per
    // point, at places between pixels: each picture pixel on one panel pixel.
    for (const int ratio : { 2, 3 }) {
        for (const float offset : { 0.0f, 0.2f, 0.5f, 0.7f }) {
            auto layer = box(20 + offset, 20 + offset, 3, 3);
            layer->setContents(Image::fromQImage(stripes(3 * ratio, 3 * ratio)));
            root->setSublayers({ layer });
            const QImage image = render(*root, 0, ratio);
            const QRect shown = extent(image, kRed).united(extent(image, kBlue));
            const int first = static_cast<int>(std::floor((20 + offset) * static_cast<float>(ratio) + 0.5f));
            EXPECT_EQ(shown, QRect(first, first, 3 * ratio, 3 * ratio)) << ratio << " " << offset;
            EXPECT_EQ(blendedPixels(image, shown), 0) << ratio << " " << offset;
            EXPECT_EQ(image.pixel(first, first), kRed);
            EXPECT_EQ(image.pixel(first + 1, first), kBlue);
        }
    }
}

TEST_F(CompositorTest, AResampledPictureIsKeptWhileItsSizeOnScreenStays)
{
    auto layer = box(10, 10, 40, 40);
    const Image tile = Image::fromQImage(stripes(64, 64));
    layer->setContents(tile);
    root->addSublayer(layer);
    render(*root, 0, 2);
    const QImage* kept = layer->scaledContents().anyResampled(tile);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->size(), QSize(80, 80)) << "the panel pixels it covers";
    const qint64 first = kept->cacheKey();

    layer->setPosition(CGPoint { 12.25f, 9.5f });
    render(*root, 1, 2);
    ASSERT_NE(layer->scaledContents().anyResampled(tile), nullptr);
    EXPECT_EQ(layer->scaledContents().anyResampled(tile)->cacheKey(), first) << "moved, not resampled";

    layer->setBounds(CGRect { { 0, 0 }, { 50.5f, 50.5f } });
    render(*root, 2, 2);
    ASSERT_NE(layer->scaledContents().anyResampled(tile), nullptr);
    EXPECT_EQ(layer->scaledContents().anyResampled(tile)->size(), QSize(101, 101));

    const Image other = Image::fromQImage(stripes(64, 64));
    layer->setContents(other);
    EXPECT_EQ(layer->scaledContents().anyResampled(tile), nullptr) << "a new picture drops the copy";
    layer->setBounds(CGRect { { 0, 0 }, { 64, 64 } });
    render(*root, 3);
    EXPECT_EQ(layer->scaledContents().anyResampled(other), nullptr) << "at its own size nothing is kept";
}

// A pinch that starts at a whole zoom: the tiles were last drawn at their
// own size, and the frames after are as cheap as any others of the pinch.
TEST_F(CompositorTest, APictureResizedRightAfterItsOwnSizeIsDrawnCheaply)
{
    auto layer = box(0, 0, 200, 200);
    layer->setContents(Image::fromQImage(stripes(200, 200)));
    root->addSublayer(layer);
    bool provisional = true;
    render(*root, 10, 1, Compositor::Resampling::FastWhileResizing, &provisional);
    EXPECT_FALSE(provisional);
    layer->setBounds(CGRect { { 0, 0 }, { 204, 204 } });
    render(*root, 10.02, 1, Compositor::Resampling::FastWhileResizing, &provisional);
    EXPECT_TRUE(provisional);
}

TEST_F(CompositorTest, LargePicturesResizedFrameAfterFrameAreDrawnCheaplyUntilTheyRest)
{
    using Resampling = Compositor::Resampling;
    auto layer = box(0, 0, 75, 75);
    const Image tile = Image::fromQImage(stripes(200, 200));
    layer->setContents(tile);
    root->addSublayer(layer);
    bool provisional = true;
    render(*root, 10, 1, Resampling::FastWhileResizing, &provisional);
    EXPECT_FALSE(provisional) << "the first frame at a size is at rest";

    // A pinch: a new size on every frame.
    for (int frame = 1; frame <= 3; ++frame) {
        layer->setBounds(CGRect { { 0, 0 }, { 75.0f + 5 * frame, 75.0f + 5 * frame } });
        const QImage image = render(*root, 10 + 0.02 * frame, 1, Resampling::FastWhileResizing, &provisional);
        EXPECT_TRUE(provisional) << frame;
        const int side = 75 + 5 * frame;
        EXPECT_TRUE(extent(image.copy(0, 0, side, side), kWhite).isNull())
            << "covered whole, frame " << frame;
        EXPECT_EQ(image.pixel(side, 0), kWhite) << frame;
        ASSERT_NE(layer->scaledContents().anyResampled(tile), nullptr);
        EXPECT_EQ(layer->scaledContents().anyResampled(tile)->size(), QSize(75, 75))
            << "drawn from the copy made at rest, frame " << frame;
    }

    // At rest: the same size again, or a while later.
    const QImage image = render(*root, 10.07, 1, Resampling::FastWhileResizing, &provisional);
    EXPECT_FALSE(provisional);
    EXPECT_EQ(layer->scaledContents().anyResampled(tile)->size(), QSize(90, 90));
    EXPECT_GT(blendedPixels(image, QRect(0, 0, 90, 90)), 0) << "resampled smoothly";
    layer->setBounds(CGRect { { 0, 0 }, { 95, 95 } });
    render(*root, 10.07 + Compositor::kRestInterval, 1, Resampling::FastWhileResizing, &provisional);
    EXPECT_FALSE(provisional);

    // Smooth resampling, and small pictures, are never provisional.
    layer->setBounds(CGRect { { 0, 0 }, { 85, 85 } });
    render(*root, 10.3, 1, Resampling::Smooth, &provisional);
    EXPECT_FALSE(provisional);
    layer->setContents(Image::fromQImage(stripes(100, 100)));
    render(*root, 10.31, 1, Resampling::FastWhileResizing, &provisional);
    layer->setBounds(CGRect { { 0, 0 }, { 90, 90 } });
    render(*root, 10.32, 1, Resampling::FastWhileResizing, &provisional);
    EXPECT_FALSE(provisional) << "a small picture is resampled on every frame";
}

TEST_F(CompositorTest, ScaleAnimationHalfwayAtTheClocksTime)
{
    vantry::test::ManualClock clock(2000);
    auto layer = picture(0, 0, Qt::red);
    layer->setAnchorPoint(CGPoint { 0.5f, 0.5f });
    layer->setPosition(CGPoint { 50, 50 });
    BasicAnimation grow("transform");
    grow.setFromValue(Transform3D::makeScale(1, 1, 1));
    grow.setToValue(Transform3D::makeScale(3, 3, 1));
    grow.setDuration(2);
    layer->addAnimation(grow, "scaling");
    root->addSublayer(layer);

    EXPECT_EQ(extent(render(*root, clock.now()), kRed), QRect(45, 45, 10, 10));
    clock.advance(1);
    EXPECT_EQ(extent(render(*root, clock.now()), kRed), QRect(40, 40, 20, 20)) << "scale 2 about the centre";
    clock.advance(1);
    EXPECT_EQ(extent(render(*root, clock.now()), kRed), QRect(45, 45, 10, 10)) << "over: back to the model";
}

TEST_F(CompositorTest, ScaledLayerScalesItsSublayers)
{
    auto parent = box(10, 10, 20, 20);
    parent->setAnchorPoint(CGPoint { 0, 0 });
    parent->setTransform(Transform3D::makeScale(2, 2, 1));
    parent->addSublayer(picture(5, 5, Qt::red));
    root->addSublayer(parent);
    EXPECT_EQ(extent(render(*root), kRed), QRect(20, 20, 20, 20));
}

TEST_F(CompositorTest, PaintsInThePaintersCoordinatesAndRestoresItsState)
{
    root->addSublayer(picture(0, 0, Qt::red));
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.translate(30, 40);
    painter.setClipRect(0, 0, 5, 50);
    const QTransform before = painter.worldTransform();
    Compositor::paint(painter, *root, 0);
    EXPECT_EQ(painter.worldTransform(), before);
    EXPECT_TRUE(painter.hasClipping());
    EXPECT_FALSE(painter.testRenderHint(QPainter::SmoothPixmapTransform));
    painter.end();
    EXPECT_EQ(extent(canvas, kRed), QRect(30, 40, 5, 10));
}

TEST_F(CompositorTest, LabelTextIsDrawnInsideItsFrame)
{
    platform::Label label(CGRect { { 10, 20 }, { 60, 24 } });
    label.setText("Wall");
    label.setTextColor(Color { 0, 0, 1, 1 });
    label.setBackgroundColor(Color { 1, 0, 0, 1 });
    label.setTextAlignment(platform::TextAlignment::Center);
    root->addSublayer(label.layer());
    const QImage image = render(*root);
    EXPECT_EQ(extent(image, kRed).united(extent(image, kBlue)), QRect(10, 20, 60, 24));
    const QRect text = extent(image, kBlue);
    ASSERT_FALSE(text.isNull()) << "some glyph pixels are fully blue";
    EXPECT_NEAR(text.center().x(), 40, 4) << "centred";

    label.setHidden(true);
    EXPECT_TRUE(extent(render(*root), kRed).isNull());
}

TEST_F(CompositorTest, PicturesAtTheirOwnSizeLandOnTheNearestWholePixels)
{
    // A 3 × 3 picture with a blue middle pixel, at positions between pixels:
    // copied, never blurred.
    QImage dot(3, 3, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::red);
    dot.setPixel(1, 1, kBlue);
    for (const float offset : { 0.0f, 0.25f, 0.5f, 0.75f }) {
        auto layer = std::make_shared<Layer>();
        layer->setContents(Image::fromQImage(dot));
        layer->setBounds(CGRect { { 0, 0 }, { 3, 3 } });
        layer->setAnchorPoint(CGPoint { 0.5f, 0.5f });
        layer->setPosition(CGPoint { 20 + offset, 20 + offset });
        root->setSublayers({ layer });
        const QImage image = render(*root);
        // The pixel that holds the anchor point shows the middle pixel.
        EXPECT_EQ(image.pixel(20, 20), kBlue) << offset;
        EXPECT_EQ(extent(image, kRed).united(extent(image, kBlue)).size(), QSize(3, 3)) << offset;
    }
}
