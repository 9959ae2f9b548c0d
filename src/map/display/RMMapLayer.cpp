#include "RMMapLayer.h"

#include "RMPixel.h"

std::shared_ptr<const platform::Action> RMMapLayer::actionForKey(std::string_view key) const
{
    if (key == "position" || key == "bounds")
        return nullptr;
    return platform::ScrollLayer::actionForKey(key);
}

void RMMapLayer::moveBy(CGSize delta)
{
    setPosition(RMTranslateCGPointBy(position(), delta));
}

void RMMapLayer::zoomByFactorNear(float factor, CGPoint pivot)
{
    setPosition(RMScaleCGPointAboutPoint(position(), factor, pivot));
    setBounds(RMScaleCGRectAboutPoint(bounds(), factor, anchorPoint()));
}
