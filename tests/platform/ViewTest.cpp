#include "View.h"
#include "Compositor.h"
#include "Image.h"
#include "Layer.h"
#include "ManualClock.h"
#include "TouchScript.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using platform::BasicAnimation;
using platform::Color;
using platform::Layer;
using platform::Transform3D;
using platform::View;
using vantry::test::ManualClock;
using vantry::test::TouchScript;

namespace {

class CountingView : public View {
public:
    using View::View;
    int paints = 0;
    int scaleChanges = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        View::paintEvent(event);
    }
    void contentScaleFactorDidChange() override { ++scaleChanges; }
};

std::shared_ptr<Layer> box(float x, float y, float width, float height, Color color)
{
    auto layer = std::make_shared<Layer>();
    layer->setAnchorPoint(CGPointZero);
    layer->setPosition(CGPoint { x, y });
    layer->setBounds(CGRect { { 0, 0 }, { width, height } });
    layer->setBackgroundColor(color);
    return layer;
}

void expectRect(CGRect rect, float x, float y, float width, float height)
{
    EXPECT_FLOAT_EQ(rect.origin.x, x);
    EXPECT_FLOAT_EQ(rect.origin.y, y);
    EXPECT_FLOAT_EQ(rect.size.width, width);
    EXPECT_FLOAT_EQ(rect.size.height, height);
}

// The paints that the pending events cause.
int paintsOf(CountingView& view)
{
    view.paints = 0;
    QCoreApplication::processEvents();
    return view.paints;
}

class ViewTest : public ::testing::Test {
protected:
    ViewTest()
    {
        view.layer().addSublayer(content);
        view.show();
        QCoreApplication::processEvents();
    }

    ManualClock clock { 500 };
    CountingView view { CGRectMake(0, 0, 120, 80) };
    std::shared_ptr<Layer> content = box(10, 10, 20, 20, Color { 1, 0, 0, 1 });
};

} // namespace

TEST_F(ViewTest, FrameAndBoundsInWholePoints)
{
    View placed(CGRectMake(10.4f, 20.6f, 100.2f, 50));
    expectRect(placed.frame(), 10, 21, 100, 50);
    expectRect(placed.bounds(), 0, 0, 100, 50);
    expectRect(placed.layer().bounds(), 0, 0, 100, 50);
    expectRect(placed.layer().frame(), 0, 0, 100, 50);

    placed.setFrame(CGRectMake(0, 0, 64, 32));
    expectRect(placed.layer().bounds(), 0, 0, 64, 32);
    placed.show();
    placed.resize(70, 40);
    expectRect(placed.bounds(), 0, 0, 70, 40);
    expectRect(placed.layer().bounds(), 0, 0, 70, 40);
}

TEST_F(ViewTest, RendersItsLayerTree)
{
    view.setBackgroundColor(Color::white());
    content->addSublayer(box(5, 5, 5, 5, Color { 0, 0, 1, 1 }));
    const QImage image = view.grab().toImage();
    ASSERT_EQ(image.size(), QSize(120, 80));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(29, 29), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(15, 15), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(14, 14), qRgb(255, 0, 0));
}

TEST_F(ViewTest, LayerChangesRepaintOnceATurn)
{
    EXPECT_EQ(paintsOf(view), 0);
    for (int step = 0; step < 100; ++step) {
        content->setPosition(CGPoint { 10.0f + step, 10 });
        view.setNeedsDisplay();
    }
    content->addSublayer(box(0, 0, 1, 1, Color::black()));
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(paintsOf(view), 0);

    content->setPosition(content->position());
    EXPECT_EQ(paintsOf(view), 0) << "nothing changed";
    content->setHidden(true);
    EXPECT_EQ(paintsOf(view), 1);

    auto detached = box(0, 0, 5, 5, Color::black());
    detached->setPosition(CGPoint { 3, 3 });
    content->removeFromSuperlayer();
    EXPECT_EQ(paintsOf(view), 1);
    content->setHidden(false);
    EXPECT_EQ(paintsOf(view), 0) << "no longer in the view's tree";
}

TEST_F(ViewTest, HiddenViewRepaintsWhenShownAgain)
{
    view.hide();
    content->setBackgroundColor(Color::black());
    EXPECT_EQ(paintsOf(view), 0);
    view.show();
    EXPECT_GE(paintsOf(view), 1);
    content->setBackgroundColor(Color::white());
    EXPECT_EQ(paintsOf(view), 1) << "the pending repaint was not lost while hidden";
}

TEST_F(ViewTest, AnimationRepaintsUntilItEnds)
{
    BasicAnimation pulse("transform");
    pulse.setToValue(Transform3D::makeScale(2, 2, 1));
    pulse.setDuration(1);
    content->addAnimation(pulse, "pulse");
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(clock.pendingTimerCount(), 1u) << "frames are timed on the clock";

    for (int frame = 0; frame < 10; ++frame) {
        clock.advance(0.05);
        EXPECT_EQ(paintsOf(view), 1) << frame;
    }
    clock.advance(1);
    EXPECT_EQ(paintsOf(view), 1) << "one frame with the layer's own state";
    EXPECT_EQ(clock.pendingTimerCount(), 0u);
    clock.advance(1);
    EXPECT_EQ(paintsOf(view), 0);
}

TEST_F(ViewTest, AnimationOfAHiddenLayerOrViewDoesNotRepaint)
{
    BasicAnimation pulse("transform");
    pulse.setDuration(10);
    content->setHidden(true);
    content->addAnimation(pulse, "pulse");
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(clock.pendingTimerCount(), 0u);

    content->setHidden(false);
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(clock.pendingTimerCount(), 1u);
    view.hide();
    EXPECT_EQ(clock.pendingTimerCount(), 0u);
}

TEST_F(ViewTest, APictureResizedFrameAfterFrameIsRepaintedSmoothlyOnceItRests)
{
    QImage big(200, 200, QImage::Format_RGB32);
    big.fill(Qt::green);
    const platform::Image picture = platform::Image::fromQImage(big);
    content->setContents(picture);
    content->setBounds(CGRect { { 0, 0 }, { 60, 60 } });
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(clock.pendingTimerCount(), 0u) << "drawn smoothly at once";

    content->setBounds(CGRect { { 0, 0 }, { 62, 62 } });
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(content->scaledContents().anyResampled(picture)->size(), QSize(60, 60)) << "drawn cheaply";
    content->setBounds(CGRect { { 0, 0 }, { 64, 64 } });
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(clock.pendingTimerCount(), 1u) << "one repaint waits for the rest";

    clock.advance(platform::Compositor::kRestInterval / 2);
    EXPECT_EQ(paintsOf(view), 0);
    clock.advance(platform::Compositor::kRestInterval / 2);
    EXPECT_EQ(paintsOf(view), 1);
    EXPECT_EQ(content->scaledContents().anyResampled(picture)->size(), QSize(64, 64));
    EXPECT_EQ(clock.pendingTimerCount(), 0u);
}

TEST_F(ViewTest, ContentScaleFactorFollowsTheScreenUnlessSet)
{
    const auto screens = static_cast<float>(view.devicePixelRatioF());
    EXPECT_EQ(view.contentScaleFactor(), screens);
    view.setContentScaleFactor(3);
    EXPECT_EQ(view.contentScaleFactor(), 3);
    EXPECT_EQ(view.scaleChanges, 1);
    view.setContentScaleFactor(3);
    EXPECT_EQ(view.scaleChanges, 1) << "no change, no call";
    for (const float screen : { 0.0f, -1.0f, std::nanf("") }) {
        view.setContentScaleFactor(2.5f);
        view.scaleChanges = 0;
        view.setContentScaleFactor(screen);
        EXPECT_EQ(view.contentScaleFactor(), screens) << screen;
        EXPECT_EQ(view.scaleChanges, 1) << screen;
    }
}

TEST_F(ViewTest, RootLayerOutlivingItsViewForgetsIt)
{
    std::shared_ptr<Layer> root;
    {
        View doomed;
        root = doomed.layer().shared_from_this();
    }
    EXPECT_EQ(root->host(), nullptr);
    root->setHidden(true);
}

TEST_F(ViewTest, WheelAndKeysGoOnUnlessUsed)
{
    TouchScript script { view };
    EXPECT_FALSE(script.wheel({ 10, 10 }, QPoint(0, 120)));
    EXPECT_FALSE(script.keyPress(Qt::Key_Plus));

    class DesktopView : public View {
    public:
        bool wheelTurned(CGPoint location, CGSize degrees) override
        {
            at = location;
            turned = degrees;
            return true;
        }
        bool keyPressed(int key) override
        {
            pressed = key;
            return key == Qt::Key_Plus;
        }
        CGPoint at;
        CGSize turned;
        int pressed = 0;
    };
    DesktopView desktop;
    desktop.show();
    TouchScript desktopScript { desktop };
    EXPECT_TRUE(desktopScript.wheel({ 12, 34 }, QPoint(-60, 120)));
    EXPECT_FLOAT_EQ(desktop.at.x, 12);
    EXPECT_FLOAT_EQ(desktop.at.y, 34);
    EXPECT_FLOAT_EQ(desktop.turned.width, -7.5f);
    EXPECT_FLOAT_EQ(desktop.turned.height, 15);
    EXPECT_TRUE(desktopScript.keyPress(Qt::Key_Plus));
    EXPECT_FALSE(desktopScript.keyPress(Qt::Key_A));
    EXPECT_EQ(desktop.pressed, Qt::Key_A);
}
