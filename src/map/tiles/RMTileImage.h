#pragma once

#include "CGGeometry.h"
#include "Data.h"
#include "HttpFreshness.h"
#include "Image.h"
#include "RMTile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Layer;
}

// The picture of one map tile, where it sits on screen (screen points) and
// the layer that shows it. Tile sources make tile images, the caches keep
// them, the tile image set places them and the renderer shows their layers.
// Images are shared (std::shared_ptr); the factories below make them so.
//
// Two tile images are equal when their tiles are equal, whatever their kind,
// picture or place; hash() is RMTileHash of the tile cut to 32 bits.
//
// Decoding waits while RMExpensiveOperations::allowed() is false:
// bytes are kept pending and applied when RMResumeExpensiveOperations is
// posted. An image cancels its own loading when RMMapImageRemovedFromScreen
// is posted for it. Main thread only.
class RMTileImage : public std::enable_shared_from_this<RMTileImage> {
public:
    // A plain image of the tile without a picture; its last-used time is now.
    explicit RMTileImage(RMTile tile);
    virtual ~RMTileImage();
    RMTileImage(const RMTileImage&) = delete;
    RMTileImage& operator=(const RMTileImage&) = delete;

    // A plain image without a picture, used only as a lookup key.
    static std::shared_ptr<RMTileImage> dummyTile(RMTile tile);
    // An RMWebTileImage that loads the URL (or finds it in the response cache).
    static std::shared_ptr<RMTileImage> imageWithTileFromURL(RMTile tile, const std::string& url);
    // An RMFileTileImage with the picture of the file (none when unreadable).
    static std::shared_ptr<RMTileImage> imageWithTileFromFile(RMTile tile, const std::string& path);
    // A plain image that has applied the bytes (or keeps them pending).
    static std::shared_ptr<RMTileImage> imageWithTileFromData(RMTile tile, const platform::Data& data);
    // The same for bytes already decoded into `picture`.
    static std::shared_ptr<RMTileImage> imageWithTileFromDecodedData(
        RMTile tile, const platform::Data& data, platform::Image picture);

    // Decodes the bytes and applies the picture (to the layer when it
    // exists), then posts RMMapImageLoadedNotification with the bytes, also
    // when they are not a picture. While expensive operations are suspended
    // the bytes wait instead (replacing bytes that waited before) and
    // nothing is posted.
    void setImageToData(const platform::Data& data);
    // The same for bytes already decoded into `picture`, which is applied
    // without decoding again (while expensive operations are suspended the
    // bytes wait as above).
    void setImageToDecodedData(const platform::Data& data, platform::Image picture);
    // Applies the waiting bytes, if any; called on RMResumeExpensiveOperations.
    void loadPendingData();
    // Posts RMMapImageLoadingCancelledNotification. Subclasses that load
    // stop their loading first.
    virtual void cancelLoading();
    // Called on RMMapImageRemovedFromScreenNotification for this image.
    void tileRemovedFromScreen();

    // Whether a picture was applied: the image holds one, or its layer shows
    // one.
    bool isLoaded() const;
    // Last-used time := now (platform::Clock).
    void touch();

    CGRect screenLocation() const { return screenLocation_; }
    // Stores the rectangle, moves the layer (if any) there and touches.
    void setScreenLocation(CGRect screenLocation);
    void moveBy(CGSize delta);
    void zoomByFactorNear(float factor, CGPoint pivot);
    // Where the picture shows again, in tile widths from the screen location
    // along the row: the other columns of the screen that wrap around the
    // world onto this tile when the world is barely wider than the screen
    // (or narrower). The copies follow every move and zoom of the image.
    const std::vector<int>& wrappedCopyColumns() const { return wrappedCopyColumns_; }
    void setWrappedCopyColumns(std::vector<int> columns);

    // Creates the layer once: no contents, anchor (0, 0), placed at the
    // screen location, no implicit actions for "position", "bounds",
    // kCAOnOrderIn and kCAOnOrderOut, no edge antialiasing; a sublayer for
    // each wrapped copy. Then moves a decoded picture into it.
    virtual void makeLayer();

    // How long the bytes may be shown without asking the server again, for
    // an image made from downloaded or stored bytes; none otherwise.
    const std::optional<platform::HttpFreshness>& freshness() const { return freshness_; }
    void setFreshness(platform::HttpFreshness freshness) { freshness_ = std::move(freshness); }
    // Whether the image has expired at `now` and nobody asked its server
    // yet; markRevalidationAsked() records that somebody did.
    bool needsRevalidation(double now) const
    {
        return freshness_ && freshness_->isStale(now) && !revalidationAsked_;
    }
    void markRevalidationAsked() { revalidationAsked_ = true; }

    RMTile tile() const { return tile_; }
    // The decoded picture until a layer takes it; null otherwise.
    const platform::Image& image() const { return image_; }
    // Null until makeLayer().
    const std::shared_ptr<platform::Layer>& layer() const { return layer_; }
    // Seconds since 1970 (platform::Clock time).
    double lastUsedTime() const { return lastUsedTime_; }
    // Bytes waiting for expensive operations to resume.
    const std::optional<platform::Data>& dataPending() const { return dataPending_; }

    std::uint32_t hash() const;
    bool isEqual(const RMTileImage& other) const { return RMTilesEqual(tile_, other.tile_); }
    friend bool operator==(const RMTileImage& a, const RMTileImage& b) { return a.isEqual(b); }

    // "<RMWebTileImage: 0x…>"
    std::string description() const;

    // The object of this image's notifications.
    const void* notificationObject() const { return this; }
    // The image that posted a notification with this object; only its
    // tile may be read while it is being destroyed.
    static const RMTileImage* fromNotificationObject(const void* object)
    {
        return static_cast<const RMTileImage*>(object);
    }

protected:
    virtual std::string_view className() const { return "RMTileImage"; }
    void setImage(platform::Image image) { image_ = std::move(image); }
    // Shows the picture in the layer and its wrapped copies.
    void setLayerContents(platform::Image picture);

private:
    const void* pendingDataObserver() const { return &dataPending_; }
    void applyPicture(const platform::Data& data, platform::Image picture);
    void placeWrappedCopies();

    platform::Image image_;
    std::optional<platform::Data> dataPending_;
    const RMTile tile_;
    CGRect screenLocation_;
    double lastUsedTime_ = 0;
    std::shared_ptr<platform::Layer> layer_;
    std::vector<int> wrappedCopyColumns_;
    std::optional<platform::HttpFreshness> freshness_;
    bool revalidationAsked_ = false;
};

// Hash and equality of shared tile images by tile, for unordered containers.
struct RMTileImageHash {
    std::size_t operator()(const std::shared_ptr<RMTileImage>& image) const
    {
        return image ? image->hash() : 0;
    }
};
struct RMTileImageEqual {
    bool operator()(const std::shared_ptr<RMTileImage>& a, const std::shared_ptr<RMTileImage>& b) const
    {
        return a && b ? a->isEqual(*b) : a == b;
    }
};
