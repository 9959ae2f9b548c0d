#include "RMCoreAnimationRenderer.h"

#include "MapFixture.h"
#include "NotificationCenter.h"
#include "RMMapRenderer.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "ScrollLayer.h"

#include <gtest/gtest.h>

using vantry::test::MapFixture;

namespace {

class CountingRenderer : public RMMapRenderer {
public:
    using RMMapRenderer::RMMapRenderer;
    void setNeedsDisplay() override { ++redisplays; }
    int redisplays = 0;
};

TEST(RMMapRendererTest, TheBaseHasNoLayerAndRedisplaysWhenAnImageLoads)
{
    CountingRenderer renderer(nullptr);
    EXPECT_EQ(nullptr, renderer.layer());
    RMTileImageSetDelegate* delegate = &renderer;
    EXPECT_EQ(nullptr, dynamic_cast<RMTileImageSetDelegate::TileAdded*>(delegate));
    EXPECT_EQ(nullptr, dynamic_cast<RMTileImageSetDelegate::TileRemoved*>(delegate));
    platform::NotificationCenter::defaultCenter().postNotification(RMMapImageLoadedNotification, &renderer);
    EXPECT_EQ(1, renderer.redisplays);
}

TEST(RMMapRendererTest, StopsListeningWhenDestroyed)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    const std::size_t before = center.observationCount();
    {
        RMMapRenderer renderer(nullptr);
        EXPECT_EQ(before + 1, center.observationCount());
    }
    EXPECT_EQ(before, center.observationCount());
}

class RMCoreAnimationRendererTest : public testing::Test {
protected:
    std::shared_ptr<RMTileImage> tileImage(uint32_t x)
    {
        auto image = std::make_shared<RMTileImage>(RMTile { x, 0, 3 });
        image->setScreenLocation(CGRectMake(256.0f * x, 0, 256, 256));
        return image;
    }

    MapFixture map;
    RMCoreAnimationRenderer renderer { map.contents };
};

TEST_F(RMCoreAnimationRendererTest, TheLayerClipsAtTheScreenBounds)
{
    const auto layer = renderer.layer();
    ASSERT_NE(nullptr, std::dynamic_pointer_cast<platform::ScrollLayer>(layer));
    EXPECT_TRUE(layer->masksToBounds());
    EXPECT_EQ(0, layer->anchorPoint().x);
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 320, 480), layer->frame()));
    EXPECT_EQ(nullptr, layer->actionForKey("sublayers"));

    map.view->setFrame(CGRectMake(0, 0, 200, 100));
    renderer.setFrame(CGRectMake(7, 7, 7, 7));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 200, 100), layer->frame()));
}

TEST_F(RMCoreAnimationRendererTest, TileLayersComeAndGoInOrder)
{
    RMTileImageSet images(&renderer);
    const auto a = tileImage(0);
    const auto b = tileImage(1);
    const auto c = tileImage(2);
    for (const auto& image : { a, b, c })
        renderer.tileAddedWithImage(image->tile(), image);
    const auto& sublayers = renderer.layer()->sublayers();
    ASSERT_EQ(3u, sublayers.size());
    EXPECT_EQ(a->layer(), sublayers[0]);
    EXPECT_EQ(c->layer(), sublayers[2]);
    EXPECT_EQ(0, a->layer()->anchorPoint().x);
    EXPECT_EQ(256, b->layer()->position().x);

    // The renderer finds the image through the contents' own set.
    map.contents->imagesOnScreen()->addTileWithImageAt(b->tile(), b, b->screenLocation());
    renderer.tileRemoved(b->tile());
    EXPECT_EQ(2u, renderer.layer()->sublayers().size());
    EXPECT_EQ(nullptr, b->layer()->superlayer());
    renderer.tileRemoved(RMTile { 9, 9, 9 });
    EXPECT_EQ(2u, renderer.layer()->sublayers().size());
}

} // namespace
