#include "RMTileImage.h"

#include "Action.h"
#include "Clock.h"
#include "Layer.h"
#include "NotificationCenter.h"
#include "RMExpensiveOperations.h"
#include "RMFileTileImage.h"
#include "RMNotifications.h"
#include "RMPixel.h"
#include "RMTrace.h"
#include "RMWebTileImage.h"

#include <array>
#include <utility>

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

std::shared_ptr<RMTileImage> RMTileImage::imageWithTileFromDecodedData(
    RMTile tile, const platform::Data& data, platform::Image picture)
{
    auto image = std::make_shared<RMTileImage>(tile);
    image->setImageToDecodedData(data, std::move(picture));
    return image;
}

void RMTileImage::setImageToData(const platform::Data& data)
{
    if (!RMExpensiveOperations::allowed()) {
        setImageToDecodedData(data, {});
        return;
    }
    applyPicture(data, platform::Image::fromData(data));
}

void RMTileImage::setImageToDecodedData(const platform::Data& data, platform::Image picture)
{
    if (!RMExpensiveOperations::allowed()) {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        dataPending_ = data;
        center.removeObserver(pendingDataObserver(), RMResumeExpensiveOperations);
        center.addObserver(pendingDataObserver(), RMResumeExpensiveOperations, nullptr,
            [this](const platform::Notification&) { loadPendingData(); });
        return;
    }
    applyPicture(data, std::move(picture));
}

void RMTileImage::applyPicture(const platform::Data& data, platform::Image picture)
{
    if (layer_)
        setLayerContents(std::move(picture));
    else
        image_ = std::move(picture);
    // An observer may drop the last other reference to this image.
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    NotificationCenter::defaultCenter().postNotification(
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
        placeWrappedCopies();
    }
    touch();
}

void RMTileImage::setWrappedCopyColumns(std::vector<int> columns)
{
    if (columns == wrappedCopyColumns_)
        return;
    wrappedCopyColumns_ = std::move(columns);
    placeWrappedCopies();
}

void RMTileImage::moveBy(CGSize delta)
{
    setScreenLocation(RMTranslateCGRectBy(screenLocation_, delta));
}

void RMTileImage::zoomByFactorNear(float factor, CGPoint pivot)
{
    setScreenLocation(RMScaleCGRectAboutPoint(screenLocation_, factor, pivot));
}

namespace {

// A tile layer (or a copy of one) that moves, resizes, appears and
// disappears at once, never animated.
std::shared_ptr<platform::Layer> makeStillLayer()
{
    auto layer = std::make_shared<platform::Layer>();
    layer->setAnchorPoint(CGPointMake(0, 0));
    platform::Layer::Actions actions = layer->actions();
    const std::array<std::string_view, 4> stillKeys { "position", "bounds", platform::kCAOnOrderIn,
        platform::kCAOnOrderOut };
    for (const std::string_view key : stillKeys)
        actions[std::string(key)] = nullptr;
    layer->setActions(std::move(actions));
    layer->setEdgeAntialiasingMask(0);
    return layer;
}

} // namespace

void RMTileImage::makeLayer()
{
    if (!layer_) {
        layer_ = makeStillLayer();
        layer_->setBounds(CGRectMake(0, 0, screenLocation_.size.width, screenLocation_.size.height));
        layer_->setPosition(screenLocation_.origin);
        placeWrappedCopies();
    }
    if (!image_.isNull())
        setLayerContents(std::exchange(image_, {}));
}

void RMTileImage::setLayerContents(platform::Image picture)
{
    for (const std::shared_ptr<platform::Layer>& copy : layer_->sublayers())
        copy->setContents(picture);
    layer_->setContents(std::move(picture));
}

void RMTileImage::placeWrappedCopies()
{
    if (!layer_)
        return;
    // The copies are the layer's only sublayers.
    std::vector<std::shared_ptr<platform::Layer>> copies = layer_->sublayers();
    copies.resize(wrappedCopyColumns_.size());
    const CGSize size = screenLocation_.size;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (!copies[i]) {
            copies[i] = makeStillLayer();
            copies[i]->setContents(layer_->contents());
        }
        copies[i]->setPosition(CGPointMake(static_cast<float>(wrappedCopyColumns_[i]) * size.width, 0));
        copies[i]->setBounds(CGRectMake(0, 0, size.width, size.height));
    }
    if (copies.size() != layer_->sublayers().size())
        layer_->setSublayers(std::move(copies));
}

std::uint32_t RMTileImage::hash() const
{
    return static_cast<std::uint32_t>(RMTileHash(tile_));
}

std::string RMTileImage::description() const
{
    return RMObjectDescription(className(), this);
}
