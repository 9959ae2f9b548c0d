#include "RMMapRenderer.h"

#include "Layer.h"
#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTrace.h"

RMMapRenderer::RMMapRenderer(RMDisplayContents* content)
    : content_(content)
{
    platform::NotificationCenter::defaultCenter().addObserver(this, RMMapImageLoadedNotification, nullptr,
        [this](const platform::Notification&) { mapImageLoaded(); });
}

RMMapRenderer::~RMMapRenderer()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void RMMapRenderer::setNeedsDisplay()
{ }

void RMMapRenderer::mapImageLoaded()
{
    setNeedsDisplay();
}

void RMMapRenderer::setFrame(CGRect)
{ }

std::shared_ptr<platform::Layer> RMMapRenderer::layer() const
{
    return nullptr;
}

std::string RMMapRenderer::description() const
{
    return RMObjectDescription(className(), this);
}
