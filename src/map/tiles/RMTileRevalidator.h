#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class RMTileImage;

// Asks the server of expired tile images whether their bytes are still
// good: a conditional GET with the image's validators (If-None-Match,
// If-Modified-Since), sent while the image keeps showing its old picture.
// A 304 only gives the image (and its response-cache entry) new freshness;
// a new picture replaces the old one on screen. Either way
// RMMapImageRevalidatedNotification tells the caches. Any other answer
// keeps the old picture, after "Tile could not be revalidated: …". One
// question per tile at a time; answers for images that died are dropped,
// and destroying the revalidator cancels what it still waits for. Main
// thread only.
class RMTileRevalidator {
public:
    RMTileRevalidator();
    ~RMTileRevalidator();
    RMTileRevalidator(const RMTileRevalidator&) = delete;
    RMTileRevalidator& operator=(const RMTileRevalidator&) = delete;

    // Asks the server of `url` about the image and marks the image asked.
    void revalidate(const std::shared_ptr<RMTileImage>& image, const std::string& url);
    // Questions still waiting for their answer.
    std::size_t pendingCount() const { return pending_.size(); }

private:
    class Revalidation;
    void finished(std::uint64_t tileKey);

    std::map<std::uint64_t, std::unique_ptr<Revalidation>> pending_;
};
