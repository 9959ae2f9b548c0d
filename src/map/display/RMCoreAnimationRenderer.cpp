#include "RMCoreAnimationRenderer.h"

#include "RMDisplayContents.h"
#include "RMMercatorToScreenProjection.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "ScrollLayer.h"

namespace {

CGRect screenBoundsOf(const RMDisplayContents* content)
{
    const RMMercatorToScreenProjection* camera = content ? content->mercatorToScreenProjection() : nullptr;
    return camera ? camera->screenBounds() : CGRectZero;
}

} // namespace

RMCoreAnimationRenderer::RMCoreAnimationRenderer(RMDisplayContents* content)
    : RMMapRenderer(content)
    , layer_(std::make_shared<platform::ScrollLayer>())
{
    layer_->setAnchorPoint(CGPointZero);
    layer_->setMasksToBounds(true);
    layer_->setFrame(screenBoundsOf(content));
    platform::Layer::Actions actions = layer_->actions();
    actions["sublayers"] = nullptr;
    layer_->setActions(std::move(actions));
}

RMCoreAnimationRenderer::~RMCoreAnimationRenderer() = default;

std::shared_ptr<platform::Layer> RMCoreAnimationRenderer::layer() const
{
    return layer_;
}

void RMCoreAnimationRenderer::setFrame(CGRect)
{
    layer_->setFrame(screenBoundsOf(content()));
}

void RMCoreAnimationRenderer::mapImageLoaded()
{ }

void RMCoreAnimationRenderer::tileAddedWithImage(RMTile, const std::shared_ptr<RMTileImage>& image)
{
    image->makeLayer();
    layer_->addSublayer(image->layer());
}

void RMCoreAnimationRenderer::tileRemoved(RMTile tile)
{
    if (!content() || !content()->imagesOnScreen())
        return;
    const std::shared_ptr<RMTileImage> image = content()->imagesOnScreen()->imageWithTile(tile);
    if (image && image->layer())
        image->layer()->removeFromSuperlayer();
}
