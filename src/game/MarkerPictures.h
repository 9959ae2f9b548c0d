#pragma once

#include "BackgroundQueue.h"
#include "Image.h"
#include "PictureDownload.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace game {

// The pictures of the game's markers, never waited for. A name's picture
// is the game server's, read from the picture cache or downloaded from the
// picture port and kept there; until it is here a marker shows the
// program's own picture of that name (coin, princess, the hero's two) or a
// neutral one. Files and decoding are handled off the main thread; at most
// one fetch per name runs at a time, and a failed one is tried again only
// after a pause that doubles from 5 seconds to 5 minutes (Clock time).
// Main thread only.
class MarkerPictures {
public:
    // Names beyond this many get the neutral picture and no fetch: a server
    // cannot make the game keep pictures without end.
    static constexpr std::size_t kMostNames = 64;
    static constexpr double kFirstRetryDelay = 5;
    static constexpr double kLastRetryDelay = 300;

    // Hears that the server's picture of `name` arrived (pictureFor now
    // gives it).
    using Arrival = std::function<void(const std::string& name)>;

    explicit MarkerPictures(Arrival arrival);
    MarkerPictures(const MarkerPictures&) = delete;
    MarkerPictures& operator=(const MarkerPictures&) = delete;

    // The picture to show for `name` now; asks for the server's when it is
    // not here, no fetch of it runs and no pause after a failure lasts.
    platform::Image pictureFor(const std::string& name);

private:
    struct Picture {
        platform::Image image;
        bool fetching = false;
        double retryAt = 0;
        double retryDelay = 0;
        std::unique_ptr<PictureDownload> download;
        platform::BackgroundQueue::Ticket work;
    };

    void read(const std::string& name);
    void download(const std::string& name);
    void keep(const std::string& name, const platform::Data& bytes);
    void arrived(const std::string& name, const platform::Image& image);
    void failed(const std::string& name);
    platform::Image standIn(const std::string& name);

    Arrival arrival_;
    std::unordered_map<std::string, Picture> pictures_;
    std::unordered_map<std::string, platform::Image> standIns_;
    bool toldOfTooManyNames_ = false;
    // Last, so it goes first: no work outlives the pictures it reports to.
    platform::BackgroundQueue queue_ { 1 };
};

} // namespace game
