#include "RMTileImageSet.h"

#include "Exception.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RMMercatorToTileProjection.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "RMTileSource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// No screen is this many tiles wide; the bound keeps a broken rectangle
// (infinite or NaN size) from looping for ever.
constexpr float kMostTilesPerSide = 4096;

// The whole tiles of a rectangle: w columns from x0 and h + 1 rows from y0.
struct Grid {
    uint32_t x0 = 0;
    uint32_t y0 = 0;
    uint32_t columns = 0;
    uint32_t rows = 0;
    int16_t zoom = 0;
};

uint32_t wholeTiles(float extent)
{
    if (!(extent > 0))
        return 0;
    return static_cast<uint32_t>(std::min(extent, kMostTilesPerSide));
}

Grid gridOf(RMTileRect rect)
{
    const RMTileRect rounded = RMTileRectRound(rect);
    Grid grid;
    grid.x0 = rounded.origin.tile.x;
    grid.y0 = rounded.origin.tile.y;
    grid.columns = wholeTiles(rounded.size.width);
    grid.rows = wholeTiles(rounded.size.height) + 1;
    grid.zoom = rect.origin.tile.zoom;
    return grid;
}

// Tile places lie on a grid of 1/256 point: below 2^15 points every sum of
// such values is exact in float, so a tile's far edge is exactly its
// neighbour's near edge.
float onPlacementGrid(float value)
{
    return std::round(value * 256.0f) / 256.0f;
}

} // namespace

std::size_t RMTileImageSet::TileHash::operator()(const RMTile& tile) const
{
    return static_cast<std::size_t>(RMTileHash(tile) ^ (static_cast<uint64_t>(tile.x) << 32));
}

RMTileImageSet::RMTileImageSet(RMTileImageSetDelegate* delegate)
{
    setDelegate(delegate);
}

RMTileImageSet::~RMTileImageSet()
{
    removeAllTiles();
}

void RMTileImageSet::setDelegate(RMTileImageSetDelegate* delegate)
{
    delegate_ = delegate;
    delegateHas_ = RMTileImageSetDelegate::Operations(delegate);
}

void RMTileImageSet::setTileSource(std::shared_ptr<RMTileSource> tileSource)
{
    // Images are stored by tile alone: the old source's pictures would stay
    // on screen for every tile the new rectangle shares.
    if (tileSource_ && tileSource != tileSource_)
        removeAllTiles();
    tileSource_ = std::move(tileSource);
}

CGRect RMTileImageSet::addTilesToDisplayIn(RMTileRect rect, CGRect bounds)
{
    const float side = bounds.size.width / rect.size.width;
    const Grid grid = gridOf(rect);
    const RMMercatorToTileProjection* projection
        = tileSource_ ? tileSource_->mercatorToTileProjection() : nullptr;

    const float originX = static_cast<float>(rect.origin.tile.x) + rect.origin.offset.x;
    const float originY = static_cast<float>(rect.origin.tile.y) + rect.origin.offset.y;
    const float firstX = onPlacementGrid(bounds.origin.x + side * (static_cast<float>(grid.x0) - originX));
    const float firstY = onPlacementGrid(bounds.origin.y + side * (static_cast<float>(grid.y0) - originY));
    const float step = onPlacementGrid(side);

    // A rectangle without a usable tile side (an empty screen, a broken
    // rectangle) covers nothing, so the loader tries again later.
    if (!std::isfinite(side) || side <= 0)
        return CGRectZero;
    if (projection) {
        // When the world is barely wider than the screen (or narrower), more
        // than one column wraps onto the same tile: the image stays in the
        // first and shows again in the others, each a reference of its own.
        std::unordered_map<RMTile, std::pair<uint32_t, std::vector<int>>, TileHash> placed;
        for (uint32_t column = 0; column < grid.columns; ++column) {
            const float screenX = firstX + step * static_cast<float>(column);
            for (uint32_t row = 0; row < grid.rows; ++row) {
                const RMTile tile
                    = projection->normaliseTile(RMTile { grid.x0 + column, grid.y0 + row, grid.zoom });
                if (RMTileIsDummy(tile))
                    continue;
                const auto [place, first] = placed.try_emplace(tile, column, std::vector<int>());
                if (!first) {
                    ++images_[tile].count;
                    place->second.second.push_back(static_cast<int>(column - place->second.first));
                    continue;
                }
                const float screenY = firstY + step * static_cast<float>(row);
                addTileAt(tile, CGRectMake(screenX, screenY, step, step));
            }
        }
        for (auto& [tile, place] : placed) {
            if (const std::shared_ptr<RMTileImage> image = imageWithTile(tile))
                image->setWrappedCopyColumns(std::move(place.second));
        }
    }

    return CGRectMake(bounds.origin.x - side * rect.origin.offset.x,
        bounds.origin.y - side * rect.origin.offset.y, side * static_cast<float>(grid.columns),
        side * static_cast<float>(grid.rows - 1));
}

void RMTileImageSet::addTileAt(RMTile tile, CGRect screenLocation)
{
    const auto found = images_.find(tile);
    if (found != images_.end() && found->second.image) {
        found->second.image->setScreenLocation(screenLocation);
        ++found->second.count;
        return;
    }
    std::shared_ptr<RMTileImage> image = tileSource_ ? tileSource_->tileImage(tile) : nullptr;
    if (image && RMTilesEqual(image->tile(), tile)) {
        // A tile that had no image so far keeps its references.
        const std::size_t references = found == images_.end() ? 0 : found->second.count;
        if (found != images_.end())
            images_.erase(found);
        addTileWithImageAt(tile, image, screenLocation);
        if (const auto stored = images_.find(tile); stored != images_.end())
            stored->second.count += references;
        return;
    }
    if (image)
        addTileWithImageAt(tile, image, screenLocation);
    // Without an image the reference still counts, so that removing the
    // same rectangle later takes away this reference and not a newer one.
    // No image, no announcement.
    ++images_[tile].count;
}

void RMTileImageSet::addTileWithImageAt(
    RMTile tile, const std::shared_ptr<RMTileImage>& image, CGRect screenLocation)
{
    if (!image)
        return;
    const RMTile key = image->tile();
    if (const auto found = images_.find(key); found != images_.end() && found->second.image) {
        found->second.image->setScreenLocation(screenLocation);
        ++found->second.count;
        return;
    }
    image->setScreenLocation(screenLocation);
    // An image of no tile can never be removed by tile, so it is not kept.
    if (RMTileIsDummy(key))
        return;
    Entry& entry = images_[key];
    entry.image = image;
    ++entry.count;
    if (auto* added = delegateHas_.get<RMTileImageSetDelegate::TileAdded>())
        added->tileAddedWithImage(tile, image);
    platform::NotificationCenter::defaultCenter().postNotification(
        RMMapImageAddedToScreenNotification, image->notificationObject());
}

void RMTileImageSet::removeTiles(RMTileRect rect)
{
    const Grid grid = gridOf(rect);
    const RMMercatorToTileProjection* projection
        = tileSource_ ? tileSource_->mercatorToTileProjection() : nullptr;
    if (!projection)
        return;
    for (uint32_t column = 0; column < grid.columns; ++column) {
        for (uint32_t row = 0; row < grid.rows; ++row) {
            const RMTile tile
                = projection->normaliseTile(RMTile { grid.x0 + column, grid.y0 + row, grid.zoom });
            if (!RMTileIsDummy(tile))
                removeTile(tile);
        }
    }
}

void RMTileImageSet::removeTile(RMTile tile)
{
    if (RMTileIsDummy(tile))
        throw base::AssertionFailure("attempted to remove dummy tile");
    auto found = images_.find(tile);
    if (found == images_.end())
        return;
    if (found->second.count == 1 && found->second.image) {
        // Kept alive through the calls: an observer may drop other references.
        const std::shared_ptr<RMTileImage> image = found->second.image;
        if (auto* removed = delegateHas_.get<RMTileImageSetDelegate::TileRemoved>())
            removed->tileRemoved(tile);
        platform::NotificationCenter::defaultCenter().postNotification(
            RMMapImageRemovedFromScreenNotification, image->notificationObject());
        found = images_.find(tile);
        if (found == images_.end())
            return;
    }
    if (--found->second.count == 0)
        images_.erase(found);
}

void RMTileImageSet::removeAllTiles()
{
    std::vector<std::pair<RMTile, std::size_t>> snapshot;
    snapshot.reserve(images_.size());
    for (const auto& [tile, entry] : images_)
        snapshot.emplace_back(tile, entry.count);
    for (const auto& [tile, count] : snapshot) {
        for (std::size_t i = 0; i < count; ++i)
            removeTile(tile);
    }
}

std::shared_ptr<RMTileImage> RMTileImageSet::imageWithTile(RMTile tile) const
{
    const auto found = images_.find(tile);
    return found == images_.end() ? nullptr : found->second.image;
}

std::size_t RMTileImageSet::count() const
{
    return static_cast<std::size_t>(
        std::ranges::count_if(images_, [](const auto& entry) { return entry.second.image != nullptr; }));
}

std::size_t RMTileImageSet::referenceCount(RMTile tile) const
{
    const auto found = images_.find(tile);
    return found == images_.end() ? 0 : found->second.count;
}

std::vector<std::shared_ptr<RMTileImage>> RMTileImageSet::images() const
{
    std::vector<std::shared_ptr<RMTileImage>> result;
    result.reserve(images_.size());
    for (const auto& [tile, entry] : images_) {
        if (entry.image)
            result.push_back(entry.image);
    }
    return result;
}

void RMTileImageSet::moveBy(CGSize delta)
{
    for (const auto& [tile, entry] : images_) {
        if (entry.image)
            entry.image->moveBy(delta);
    }
}

void RMTileImageSet::zoomByFactorNear(float factor, CGPoint pivot)
{
    for (const auto& [tile, entry] : images_) {
        if (entry.image)
            entry.image->zoomByFactorNear(factor, pivot);
    }
}

void RMTileImageSet::cancelLoading()
{
    // Observers of the cancellation may drop images from caches; the
    // snapshot keeps every image alive through the loop.
    for (const std::shared_ptr<RMTileImage>& image : images())
        image->cancelLoading();
}

void RMTileImageSet::printDebuggingInformation() const
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    float biggestRight = 0;
    float biggestDown = 0;
    for (const auto& [tileA, a] : images_) {
        if (!a.image)
            continue;
        const CGRect rectA = a.image->screenLocation();
        float nearestRight = infinity;
        float nearestDown = infinity;
        for (const auto& [tileB, b] : images_) {
            if (!b.image)
                continue;
            const CGRect rectB = b.image->screenLocation();
            if (rectB.origin.x > rectA.origin.x) {
                const float gap = rectB.origin.x - (rectA.origin.x + rectA.size.width);
                if (!(gap > nearestRight))
                    nearestRight = gap;
            }
            if (rectB.origin.y > rectA.origin.y) {
                const float gap = rectB.origin.y - (rectA.origin.y + rectA.size.height);
                if (!(gap > nearestDown))
                    nearestDown = gap;
            }
        }
        if (nearestRight != infinity && !(biggestRight > nearestRight))
            biggestRight = nearestRight;
        if (nearestDown != infinity && !(biggestDown > nearestDown))
            biggestDown = nearestDown;
    }
    base::log(fmt::format("Biggest seam right: {:f}  down: {:f}", biggestRight, biggestDown));
}
