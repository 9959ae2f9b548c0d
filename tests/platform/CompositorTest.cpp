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

#include <memory>

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

class CompositorTest : public ::testing::Test {
protected:
    QImage render(const Layer& root, double time = 0)
    {
        QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        Compositor::paint(painter, root, time);
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
    // Two tiles zoomed by 1.5 at a fractional offset, side by side.
    const float side = 15;
    auto left = picture(0, 0, Qt::red);
    left->setBounds(CGRect { { 0, 0 }, { side, side } });
    left->setPosition(CGPoint { 10.5f, 10.25f });
    left->setEdgeAntialiasingMask(0);
    auto right = picture(0, 0, Qt::red);
    right->setBounds(CGRect { { 0, 0 }, { side, side } });
    right->setPosition(CGPoint { 10.5f + side, 10.25f });
    right->setEdgeAntialiasingMask(0);
    root->setSublayers({ left, right });
    const QImage image = render(*root);
    for (int x = 12; x < 38; ++x)
        EXPECT_EQ(image.pixel(x, 17), kRed) << x;
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
