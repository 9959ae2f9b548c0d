#include "RMTileImage.h"

#include "Action.h"
#include "Clock.h"
#include "Layer.h"
#include "NotificationCenter.h"
#include "RMFileTileImage.h"
#include "RMMapContents.h"
#include "RMNotifications.h"
#include "RMPixel.h"
#include "RMTrace.h"
#include "RMWebTileImage.h"

#include <QPainter>
#include <QRectF>

#include <array>

using platform::NotificationCenter;

RMTileImage::RMTileImage(RMTile tile)
    : tile_(tile)
{
    touch();
    NotificationCenter::defaultCenter().addObserver(this, RMMapImageRemovedFromScreenNotification,
        notificationObject(), [this](const platform::Notification&) { tileRemovedFromScreen(); });
}

RMTileImage::~RMTileImage()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    center.removeObserver(pendingDataObserver());
}

std::shared_ptr<RMTileImage> RMTileImage::dummyTile(RMTile tile)
{
    return std::make_shared<RMTileImage>(tile);
}

std::shared_ptr<RMTileImage> RMTileImage::imageWithTileFromURL(RMTile tile, const std::string& url)
{
    return std::make_shared<RMWebTileImage>(tile, url);
}

std::shared_ptr<RMTileImage> RMTileImage::imageWithTileFromFile(RMTile tile, const std::string& path)
{
    return std::make_shared<RMFileTileImage>(tile, path);
}

std::shared_ptr<RMTileImage> RMTileImage::imageWithTileFromData(RMTile tile, const platform::Data& data)
{
    auto image = std::make_shared<RMTileImage>(tile);
    image->setImageToData(data);
    return image;
}

void RMTileImage::setImageToData(const platform::Data& data)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (!RMMapContents::performExpensiveOperations()) {
        dataPending_ = data;
        center.removeObserver(pendingDataObserver(), RMResumeExpensiveOperations);
        center.addObserver(pendingDataObserver(), RMResumeExpensiveOperations, nullptr,
            [this](const platform::Notification&) { loadPendingData(); });
        return;
    }

    platform::Image picture = platform::Image::fromData(data);
    if (layer_)
        layer_->setContents(std::move(picture));
    else
        image_ = std::move(picture);
    // An observer may drop the last other reference to this image.
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    center.postNotification(
        RMMapImageLoadedNotification, notificationObject(), { { std::string(RMMapImageDataKey), data } });
}

void RMTileImage::loadPendingData()
{
    NotificationCenter::defaultCenter().removeObserver(pendingDataObserver(), RMResumeExpensiveOperations);
    if (!dataPending_)
        return;
    // Taken out first: should expensive operations be off again, the bytes
    // wait once more instead of being dropped.
    const platform::Data data = std::move(*dataPending_);
    dataPending_.reset();
    setImageToData(data);
}

void RMTileImage::cancelLoading()
{
    NotificationCenter::defaultCenter().postNotification(
        RMMapImageLoadingCancelledNotification, notificationObject());
}

void RMTileImage::tileRemovedFromScreen()
{
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    cancelLoading();
}

bool RMTileImage::isLoaded() const
{
    return !image_.isNull() || (layer_ && !layer_->contents().isNull());
}

void RMTileImage::touch()
{
    lastUsedTime_ = platform::Clock::current().now();
}

void RMTileImage::setScreenLocation(CGRect screenLocation)
{
    screenLocation_ = screenLocation;
    if (layer_) {
        layer_->setPosition(screenLocation.origin);
        layer_->setBounds(CGRectMake(0, 0, screenLocation.size.width, screenLocation.size.height));
    }
    touch();
}

void RMTileImage::moveBy(CGSize delta)
{
    setScreenLocation(RMTranslateCGRectBy(screenLocation_, delta));
}

void RMTileImage::zoomByFactorNear(float factor, CGPoint pivot)
{
    setScreenLocation(RMScaleCGRectAboutPoint(screenLocation_, factor, pivot));
}

void RMTileImage::makeLayer()
{
    if (!layer_) {
        layer_ = std::make_shared<platform::Layer>();
        layer_->setAnchorPoint(CGPointMake(0, 0));
        layer_->setBounds(CGRectMake(0, 0, screenLocation_.size.width, screenLocation_.size.height));
        layer_->setPosition(screenLocation_.origin);
        // Tiles move, resize, appear and disappear at once, never animated.
        platform::Layer::Actions actions = layer_->actions();
        const std::array<std::string_view, 4> stillKeys { "position", "bounds", platform::kCAOnOrderIn,
            platform::kCAOnOrderOut };
        for (const std::string_view key : stillKeys)
            actions[std::string(key)] = nullptr;
        layer_->setActions(std::move(actions));
        layer_->setEdgeAntialiasingMask(0);
    }
    if (!image_.isNull()) {
        layer_->setContents(std::move(image_));
        image_ = {};
    }
}

void RMTileImage::drawInRect(QPainter& painter, CGRect rect) const
{
    if (image_.isNull())
        return;
    painter.drawImage(
        QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height), image_.pixels());
}

void RMTileImage::draw(QPainter& painter) const
{
    drawInRect(painter, screenLocation_);
}

std::uint32_t RMTileImage::hash() const
{
    return static_cast<std::uint32_t>(RMTileHash(tile_));
}

std::string RMTileImage::description() const
{
    return RMObjectDescription(className(), this);
}
