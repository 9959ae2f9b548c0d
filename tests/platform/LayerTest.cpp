#include "Layer.h"
#include "ManualClock.h"
#include "ScrollLayer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using platform::Action;
using platform::BasicAnimation;
using platform::Layer;
using platform::MediaTimingFunction;
using platform::ScrollLayer;
using platform::Transform3D;

namespace {

std::shared_ptr<Layer> named(const std::string& name)
{
    auto layer = std::make_shared<Layer>();
    layer->setName(name);
    return layer;
}

std::string names(const Layer& parent)
{
    std::string result;
    for (const auto& sublayer : parent.sublayers())
        result += (result.empty() ? "" : " ") + sublayer->name();
    return result;
}

void expectRect(CGRect rect, float x, float y, float width, float height)
{
    EXPECT_FLOAT_EQ(rect.origin.x, x);
    EXPECT_FLOAT_EQ(rect.origin.y, y);
    EXPECT_FLOAT_EQ(rect.size.width, width);
    EXPECT_FLOAT_EQ(rect.size.height, height);
}

} // namespace

TEST(Layer, InsertsSublayersAboveBelowAndAtIndexAndReordersThoseItHas)
{
    Layer parent;
    auto a = named("a"), b = named("b"), c = named("c"), d = named("d"), e = named("e");
    parent.addSublayer(a);
    parent.addSublayer(b);
    parent.insertSublayerAbove(c, a.get());
    EXPECT_EQ(names(parent), "a c b");
    parent.insertSublayerBelow(d, a.get());
    EXPECT_EQ(names(parent), "d a c b");
    parent.insertSublayerAtIndex(e, 2);
    EXPECT_EQ(names(parent), "d a e c b");
    parent.insertSublayerAtIndex(named("f"), 99);
    EXPECT_EQ(names(parent), "d a e c b f");
    parent.insertSublayerAbove(named("top"), nullptr);
    parent.insertSublayerBelow(named("bottom"), nullptr);
    EXPECT_EQ(names(parent), "bottom d a e c b f top");
    EXPECT_EQ(e->superlayer(), &parent);

    parent.setSublayers({ a, b, c });
    parent.addSublayer(a);
    EXPECT_EQ(names(parent), "b c a");
    parent.insertSublayerBelow(a, b.get());
    EXPECT_EQ(names(parent), "a b c");
    parent.insertSublayerAbove(a, c.get());
    EXPECT_EQ(names(parent), "b c a");
    parent.insertSublayerAtIndex(c, 0);
    EXPECT_EQ(names(parent), "c b a");
}

TEST(Layer, AddingTakesTheLayerFromItsFormerSuperlayerAndSetSublayersReplacesAll)
{
    Layer first, second;
    auto a = named("a"), b = named("b"), c = named("c");
    first.addSublayer(a);
    second.addSublayer(a);
    EXPECT_TRUE(first.sublayers().empty());
    EXPECT_EQ(a->superlayer(), &second);

    second.setSublayers({ c, b, c });
    EXPECT_EQ(names(second), "c b");
    EXPECT_EQ(a->superlayer(), nullptr);
    second.setSublayers({});
    EXPECT_TRUE(second.sublayers().empty());
    EXPECT_EQ(b->superlayer(), nullptr);
}

TEST(Layer, RemoveFromSuperlayerMayReleaseTheLastReference)
{
    Layer parent;
    std::weak_ptr<Layer> watched;
    {
        auto child = named("child");
        watched = child;
        parent.addSublayer(child);
    }
    ASSERT_FALSE(watched.expired());
    watched.lock()->removeFromSuperlayer();
    EXPECT_TRUE(watched.expired());
    EXPECT_TRUE(parent.sublayers().empty());
}

TEST(Layer, DestroyedSuperlayerLeavesItsSublayersParentless)
{
    auto child = named("child");
    {
        Layer parent;
        parent.addSublayer(child);
    }
    EXPECT_EQ(child->superlayer(), nullptr);
    child->removeFromSuperlayer();
}

TEST(Layer, RefusesCyclesAndForeignSiblings)
{
    auto root = named("root"), child = named("child"), grandchild = named("grandchild");
    root->addSublayer(child);
    child->addSublayer(grandchild);
    EXPECT_THROW(grandchild->addSublayer(root), std::invalid_argument);
    EXPECT_THROW(child->addSublayer(child), std::invalid_argument);
    EXPECT_THROW(grandchild->setSublayers({ child }), std::invalid_argument);
    auto stranger = named("stranger");
    EXPECT_THROW(root->insertSublayerAbove(named("x"), stranger.get()), std::invalid_argument);
    EXPECT_THROW(root->insertSublayerBelow(named("x"), grandchild.get()), std::invalid_argument);
    EXPECT_EQ(names(*root), "child");
    EXPECT_EQ(names(*child), "grandchild");
}

TEST(Layer, FrameFollowsPositionBoundsAnchorAndScale)
{
    struct Case {
        CGPoint position;
        CGRect bounds;
        CGPoint anchor;
        float scale;
        CGRect frame;
    };
    const Case cases[] = {
        { { 100, 50 }, { { 0, 0 }, { 20, 30 } }, { 0.5f, 0.5f }, 1, { { 90, 35 }, { 20, 30 } } },
        { { 100, 50 }, { { 0, 0 }, { 20, 30 } }, { 0, 0 }, 1, { { 100, 50 }, { 20, 30 } } },
        { { 100, 50 }, { { 0, 0 }, { 20, 30 } }, { 0.5f, 1 }, 1, { { 90, 20 }, { 20, 30 } } },
        { { 100, 50 }, { { 7, 9 }, { 20, 30 } }, { 0, 0 }, 1, { { 100, 50 }, { 20, 30 } } },
        { { 100, 50 }, { { 0, 0 }, { 20, 30 } }, { 0.5f, 0.5f }, 2, { { 80, 20 }, { 40, 60 } } },
        { { 100, 50 }, { { 0, 0 }, { 20, 30 } }, { 0, 0 }, 1.25f, { { 100, 50 }, { 25, 37.5f } } },
    };
    for (const Case& c : cases) {
        Layer layer;
        layer.setPosition(c.position);
        layer.setBounds(c.bounds);
        layer.setAnchorPoint(c.anchor);
        layer.setTransform(Transform3D::makeScale(c.scale, c.scale, 1));
        SCOPED_TRACE(
            testing::Message() << "anchor " << c.anchor.x << "," << c.anchor.y << " scale " << c.scale);
        expectRect(
            layer.frame(), c.frame.origin.x, c.frame.origin.y, c.frame.size.width, c.frame.size.height);
    }
}

TEST(Layer, SetFrameSetsPositionAndBoundsSize)
{
    Layer layer;
    layer.setBounds(CGRect { { 3, 4 }, { 1, 1 } });
    layer.setAnchorPoint(CGPoint { 0.5f, 1 });
    layer.setFrame(CGRect { { 10, 20 }, { 40, 60 } });
    EXPECT_FLOAT_EQ(layer.position().x, 30);
    EXPECT_FLOAT_EQ(layer.position().y, 80);
    expectRect(layer.bounds(), 3, 4, 40, 60);
    expectRect(layer.frame(), 10, 20, 40, 60);
}

TEST(Layer, HitTestFindsTheDeepestVisibleLayerUnderThePoint)
{
    // root at (0,0) 100x100; box at (10,10) 50x50; inner at (5,5) in box 10x10;
    // over covers box's right half and is on top.
    auto root = named("root"), box = named("box"), inner = named("inner"), over = named("over");
    for (const auto& layer : { root, box, inner, over })
        layer->setAnchorPoint(CGPoint { 0, 0 });
    root->setBounds(CGRect { { 0, 0 }, { 100, 100 } });
    box->setBounds(CGRect { { 0, 0 }, { 50, 50 } });
    box->setPosition(CGPoint { 10, 10 });
    inner->setBounds(CGRect { { 0, 0 }, { 10, 10 } });
    inner->setPosition(CGPoint { 5, 5 });
    over->setBounds(CGRect { { 0, 0 }, { 25, 50 } });
    over->setPosition(CGPoint { 35, 10 });
    box->addSublayer(inner);
    root->setSublayers({ box, over });

    EXPECT_EQ(root->hitTest({ 16, 16 }), inner.get());
    EXPECT_EQ(root->hitTest({ 30, 30 }), box.get());
    EXPECT_EQ(root->hitTest({ 40, 30 }), over.get());
    EXPECT_EQ(root->hitTest({ 90, 90 }), root.get());
    EXPECT_EQ(root->hitTest({ 100, 50 }), nullptr) << "the far edge lies outside";
    EXPECT_EQ(root->hitTest({ -1, 5 }), nullptr);

    inner->setHidden(true);
    EXPECT_EQ(root->hitTest({ 16, 16 }), box.get());
    box->setHidden(true);
    EXPECT_EQ(root->hitTest({ 16, 16 }), root.get());
}

TEST(Layer, HitTestHonoursScrolledBoundsAndClipping)
{
    ScrollLayer scroller;
    scroller.setAnchorPoint(CGPoint { 0, 0 });
    scroller.setBounds(CGRect { { 0, 0 }, { 20, 20 } });
    auto child = named("child");
    child->setAnchorPoint(CGPoint { 0, 0 });
    child->setBounds(CGRect { { 0, 0 }, { 40, 40 } });
    child->setPosition(CGPoint { 10, 10 });
    scroller.addSublayer(child);

    EXPECT_TRUE(scroller.masksToBounds());
    EXPECT_EQ(scroller.hitTest({ 15, 15 }), child.get());
    EXPECT_EQ(scroller.hitTest({ 25, 15 }), nullptr) << "outside the clipping bounds";
    scroller.setMasksToBounds(false);
    EXPECT_EQ(scroller.hitTest({ 25, 15 }), child.get());

    scroller.setMasksToBounds(true);
    scroller.scrollToPoint(CGPoint { 10, 10 });
    EXPECT_EQ(scroller.hitTest({ 1, 1 }), child.get()) << "the child's corner is now at the top left";
    EXPECT_FLOAT_EQ(scroller.convertPointFromSuperlayer({ 1, 1 }).x, 11);
}

TEST(Layer, HitTestOfAScaledLayer)
{
    Layer layer;
    layer.setBounds(CGRect { { 0, 0 }, { 10, 10 } });
    layer.setPosition(CGPoint { 50, 50 });
    EXPECT_EQ(layer.hitTest({ 57, 50 }), nullptr);
    layer.setTransform(Transform3D::makeScale(2, 2, 1));
    EXPECT_EQ(layer.hitTest({ 57, 50 }), &layer);
}

TEST(Layer, ScrollToRectMovesAsLittleAsNeeded)
{
    struct Case {
        CGRect target;
        CGPoint origin;
    };
    const Case cases[] = {
        { { { 10, 10 }, { 5, 5 } }, { 0, 0 } }, // already visible
        { { { 30, 10 }, { 5, 5 } }, { 15, 0 } }, // just past the right edge
        { { { -5, 40 }, { 5, 5 } }, { -5, 25 } },
        { { { 50, 50 }, { 100, 100 } }, { 50, 50 } }, // larger than the view: its top left
    };
    for (const Case& c : cases) {
        ScrollLayer scroller;
        scroller.setBounds(CGRect { { 0, 0 }, { 20, 20 } });
        scroller.scrollToRect(c.target);
        EXPECT_FLOAT_EQ(scroller.bounds().origin.x, c.origin.x);
        EXPECT_FLOAT_EQ(scroller.bounds().origin.y, c.origin.y);
        EXPECT_FLOAT_EQ(scroller.bounds().size.width, 20);
    }
}

TEST(Layer, ActionLookupUsesTheActionsThenTheDefault)
{
    Layer layer;
    const auto fallback = layer.actionForKey("opacity");
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->key(), "opacity");

    Layer::Actions actions = layer.actions();
    actions["position"] = nullptr;
    actions[std::string(platform::kCAOnOrderIn)] = nullptr;
    actions["contents"] = std::make_shared<Action>("custom");
    layer.setActions(actions);
    EXPECT_EQ(layer.actionForKey("position"), nullptr);
    EXPECT_EQ(layer.actionForKey("onOrderIn"), nullptr);
    EXPECT_EQ(layer.actionForKey("contents")->key(), "custom");
    EXPECT_NE(layer.actionForKey("bounds"), nullptr);
    EXPECT_NE(layer.actionForKey(platform::kCAOnOrderOut), nullptr);
}

TEST(Layer, DefaultsMatchThePlatform)
{
    Layer layer;
    EXPECT_FLOAT_EQ(layer.anchorPoint().x, 0.5f);
    EXPECT_FLOAT_EQ(layer.anchorPoint().y, 0.5f);
    EXPECT_FALSE(layer.masksToBounds());
    EXPECT_FALSE(layer.isHidden());
    EXPECT_EQ(layer.edgeAntialiasingMask(), 0x0fu);
    EXPECT_TRUE(layer.transform().isIdentity());
    EXPECT_TRUE(layer.contents().isNull());
    EXPECT_TRUE(layer.backgroundColor().isClear());
}

namespace {

BasicAnimation pulse()
{
    BasicAnimation animation("transform");
    animation.setFromValue(Transform3D::makeScale(1, 1, 1));
    animation.setToValue(Transform3D::makeScale(1.25f, 1.25f, 1));
    animation.setDuration(1.0);
    animation.setRepeatCount(2.0f);
    animation.setAutoreverses(true);
    animation.setTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunction::Name::EaseOut));
    return animation;
}

} // namespace

TEST(Layer, AnimationsAreKeptByKeyUntilTheyFinishOrAreRemoved)
{
    vantry::test::ManualClock clock(1000);
    Layer layer;
    layer.addAnimation(pulse(), "scaling");
    EXPECT_EQ(layer.animationForKey("other"), nullptr);
    EXPECT_EQ(layer.animationKeys(), std::vector<std::string> { "scaling" });
    clock.advance(3.9);
    EXPECT_NE(layer.animationForKey("scaling"), nullptr);
    clock.advance(0.1);
    EXPECT_EQ(layer.animationForKey("scaling"), nullptr) << "two reversing one-second passes take 4 s";
    EXPECT_TRUE(layer.animationKeys().empty());

    layer.addAnimation(pulse(), "scaling");
    clock.advance(3);
    layer.addAnimation(*layer.animationForKey("scaling"), "scaling");
    clock.advance(3);
    EXPECT_NE(layer.animationForKey("scaling"), nullptr) << "adding under the same key restarts it";
    layer.addAnimation(pulse(), "b");
    EXPECT_EQ(layer.animationKeys().size(), 2u);
    layer.removeAnimationForKey("scaling");
    EXPECT_EQ(layer.animationKeys(), std::vector<std::string> { "b" });
    layer.removeAllAnimations();
    EXPECT_EQ(layer.animationForKey("b"), nullptr);
    EXPECT_TRUE(layer.presentationTransform(clock.now() + 0.5).isIdentity());
}

TEST(Layer, PresentationTransformSamplesTheRunningAnimation)
{
    vantry::test::ManualClock clock(500);
    Layer layer;
    layer.addAnimation(pulse(), "scaling");
    const auto easeOut = MediaTimingFunction::functionWithName(MediaTimingFunction::Name::EaseOut);
    struct Case {
        double elapsed;
        double expectedScale;
    };
    const Case cases[] = {
        { 0, 1 }, { 0.5, 1 + 0.25 * easeOut.valueAt(0.5) }, { 1, 1.25 },
        { 1.5, 1 + 0.25 * easeOut.valueAt(0.5) }, // reversing
        { 2.25, 1 + 0.25 * easeOut.valueAt(0.25) }, // second repetition
        { 4, 1 }, // over: the layer's own transform
        { -1, 1 }, // not started
    };
    for (const Case& c : cases) {
        const Transform3D shown = layer.presentationTransform(500 + c.elapsed);
        EXPECT_NEAR(shown.scaleX, c.expectedScale, 1e-5) << c.elapsed;
        EXPECT_NEAR(shown.scaleY, c.expectedScale, 1e-5) << c.elapsed;
        EXPECT_FLOAT_EQ(shown.scaleZ, 1) << c.elapsed;
    }
    EXPECT_TRUE(layer.transform().isIdentity()) << "animations never change the model value";
}

TEST(Layer, AnimationWithABeginTimeWaitsForIt)
{
    vantry::test::ManualClock clock(100);
    Layer layer;
    BasicAnimation animation = pulse();
    animation.setBeginTime(110);
    layer.addAnimation(animation, "later");
    EXPECT_NE(layer.animationForKey("later"), nullptr);
    EXPECT_TRUE(layer.presentationTransform(105).isIdentity());
    EXPECT_NEAR(layer.presentationTransform(111).scaleX, 1.25, 1e-6);
}
