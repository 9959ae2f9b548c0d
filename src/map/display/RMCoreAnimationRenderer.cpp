#include "RMCoreAnimationRenderer.h"

#include "RMMapContents.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "ScrollLayer.h"

RMCoreAnimationRenderer::RMCoreAnimationRenderer(RMMapContents* content)
    : RMMapRenderer(content)
    , layer_(std::make_shared<platform::ScrollLayer>())
{
    layer_->setAnchorPoint(CGPointZero);
    layer_->setMasksToBounds(true);
    layer_->setFrame(content ? content->screenBounds() : CGRectZero);
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
    layer_->setFrame(content() ? content()->screenBounds() : CGRectZero);
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

std::shared_ptr<const platform::Action> RMCoreAnimationRenderer::actionForLayerForKey(
    const platform::Layer&, std::string_view) const
{
    return nullptr;
}
