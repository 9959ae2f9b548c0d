#include "LayerHost.h"
#include "Image.h"
#include "Label.h"
#include "Layer.h"
#include "ManualClock.h"
#include "TestImages.h"
#include "TextLayer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using platform::BasicAnimation;
using platform::Color;
using platform::Font;
using platform::Image;
using platform::Label;
using platform::Layer;
using platform::LayerHost;
using platform::TextAlignment;
using platform::TextLayer;
using platform::Transform3D;

namespace {

class CountingHost : public LayerHost {
public:
    void layerTreeChanged() override { ++changes; }
    int changes = 0;
};

// A root hosted by a counting host, with a chain root > middle > leaf.
class LayerHostTest : public ::testing::Test {
protected:
    LayerHostTest()
    {
        root->setHost(&host);
        root->addSublayer(middle);
        middle->addSublayer(leaf);
        host.changes = 0;
    }

    // The number of times the host heard of what `change` did.
    int changesFrom(const std::function<void()>& change)
    {
        host.changes = 0;
        change();
        return host.changes;
    }

    CountingHost host;
    std::shared_ptr<Layer> root = std::make_shared<Layer>();
    std::shared_ptr<Layer> middle = std::make_shared<Layer>();
    std::shared_ptr<Layer> leaf = std::make_shared<Layer>();
};

BasicAnimation pulse()
{
    BasicAnimation animation("transform");
    animation.setToValue(Transform3D::makeScale(2, 2, 1));
    animation.setDuration(1);
    return animation;
}

} // namespace

TEST_F(LayerHostTest, EveryVisibleChangeDeepInTheTreeTellsTheHostOnce)
{
    const Image picture = Image::fromQImage(vantry::test::makeSolidImage(4, 4, Qt::red));
    // `again`: whether doing the same once more is a change of its own.
    struct Case {
        const char* name;
        std::function<void(Layer&)> change;
        bool again = false;
    };
    const Case cases[] = {
        { "position",
            [](Layer& l) {
                l.setPosition(CGPoint { 1, 2 });
            } },
        { "bounds",
            [](Layer& l) {
                l.setBounds(CGRect { { 0, 0 }, { 5, 5 } });
            } },
        { "bounds origin",
            [](Layer& l) {
                l.setBounds(CGRect { { 3, 0 }, { 0, 0 } });
            } },
        { "anchor point",
            [](Layer& l) {
                l.setAnchorPoint(CGPoint { 0, 0 });
            } },
        { "frame",
            [](Layer& l) {
                l.setFrame(CGRect { { 1, 1 }, { 2, 2 } });
            } },
        { "transform", [](Layer& l) { l.setTransform(Transform3D::makeScale(2, 2, 1)); } },
        { "contents", [&picture](Layer& l) { l.setContents(picture); } },
        { "background", [](Layer& l) { l.setBackgroundColor(Color::white()); } },
        { "hidden", [](Layer& l) { l.setHidden(true); } },
        { "masks", [](Layer& l) { l.setMasksToBounds(true); } },
        { "sublayer added", [](Layer& l) { l.addSublayer(std::make_shared<Layer>()); }, true },
        { "animation added", [](Layer& l) { l.addAnimation(pulse(), "pulse"); }, true },
        { "display asked", [](Layer& l) { l.setNeedsDisplay(); }, true },
    };
    vantry::test::ManualClock clock;
    for (const Case& c : cases) {
        auto layer = std::make_shared<Layer>();
        leaf->addSublayer(layer);
        EXPECT_EQ(changesFrom([&] { c.change(*layer); }), 1) << c.name;
        EXPECT_EQ(changesFrom([&] { c.change(*layer); }), c.again ? 1 : 0) << c.name << " again";
        layer->removeFromSuperlayer();
    }
}

TEST_F(LayerHostTest, ChangesThatDoNotShowTellNobody)
{
    EXPECT_EQ(changesFrom([&] {
        leaf->setName("tile");
        leaf->setEdgeAntialiasingMask(0);
        leaf->setActions({ { "position", nullptr } });
        leaf->removeAnimationForKey("none");
        leaf->removeAllAnimations();
        middle->setSublayers({ leaf });
    }),
        0);
}

TEST_F(LayerHostTest, TreeChangesTellTheTreesTheyTouch)
{
    CountingHost otherHost;
    Layer other;
    other.setHost(&otherHost);

    EXPECT_EQ(changesFrom([&] { other.addSublayer(leaf); }), 1) << "taken from this tree";
    EXPECT_EQ(otherHost.changes, 1);
    EXPECT_EQ(changesFrom([&] { leaf->setPosition(CGPoint { 9, 9 }); }), 0);
    EXPECT_EQ(otherHost.changes, 2);

    EXPECT_EQ(changesFrom([&] { middle->insertSublayerAtIndex(leaf, 0); }), 1);
    EXPECT_EQ(changesFrom([&] { middle->removeFromSuperlayer(); }), 1);
    EXPECT_EQ(changesFrom([&] { leaf->setPosition(CGPoint { 1, 1 }); }), 0) << "detached subtree";
    EXPECT_EQ(changesFrom([&] { root->setSublayers({ middle }); }), 1);
    EXPECT_EQ(changesFrom([&] { root->setSublayers({}); }), 1);
}

TEST_F(LayerHostTest, AHostThatLeftHearsNothing)
{
    root->setHost(nullptr);
    EXPECT_EQ(changesFrom([&] { leaf->setHidden(true); }), 0);
}

TEST_F(LayerHostTest, AnimationsTellTheHostAndAreSeenUntilTheyEnd)
{
    vantry::test::ManualClock clock(100);
    EXPECT_EQ(changesFrom([&] { leaf->addAnimation(pulse(), "pulse"); }), 1);
    EXPECT_TRUE(leaf->hasAnimationsAt(100.5));
    EXPECT_FALSE(leaf->hasAnimationsAt(101));
    EXPECT_FALSE(middle->hasAnimationsAt(100.5)) << "only the layer's own animations";
    EXPECT_EQ(changesFrom([&] { leaf->removeAnimationForKey("pulse"); }), 1);
    leaf->addAnimation(pulse(), "pulse");
    EXPECT_EQ(changesFrom([&] { leaf->removeAllAnimations(); }), 1);

    BasicAnimation later = pulse();
    later.setBeginTime(200);
    leaf->addAnimation(later, "later");
    EXPECT_TRUE(leaf->hasAnimationsAt(150)) << "waiting for its begin time";
}

TEST_F(LayerHostTest, TextChangesTellTheHost)
{
    auto text = std::make_shared<TextLayer>();
    leaf->addSublayer(text);
    EXPECT_EQ(changesFrom([&] { text->setText("Vantry"); }), 1);
    EXPECT_EQ(changesFrom([&] { text->setText("Vantry"); }), 0);
    EXPECT_EQ(changesFrom([&] { text->setFont(Font::systemFontOfSize(9)); }), 1);
    EXPECT_EQ(changesFrom([&] { text->setTextColor(Color::white()); }), 1);
    EXPECT_EQ(changesFrom([&] { text->setAlignment(TextAlignment::Center); }), 1);
    EXPECT_EQ(changesFrom([&] { text->setNumberOfLines(0); }), 1);

    Label label;
    leaf->addSublayer(label.layer());
    EXPECT_EQ(changesFrom([&] { label.setText("Tip"); }), 1);
    EXPECT_EQ(changesFrom([&] { label.setFrame(CGRect { { 0, 0 }, { 40, 20 } }); }), 1);
}
