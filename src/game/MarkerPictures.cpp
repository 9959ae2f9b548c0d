#include "MarkerPictures.h"

#include "Clock.h"
#include "GameObject.h"
#include "GameServer.h"
#include "Log.h"
#include "Utilities.h"

#include <algorithm>
#include <utility>

namespace game {

namespace {
// The folder of the program's own pictures in its resources.
constexpr std::string_view kStandInFolder = "img";
constexpr std::string_view kNeutralPicture = "marker";

double now()
{
    return platform::Clock::current().now();
}
} // namespace

MarkerPictures::MarkerPictures(Arrival arrival)
    : arrival_(std::move(arrival))
{ }

platform::Image MarkerPictures::pictureFor(const std::string& name)
{
    auto known = pictures_.find(name);
    if (known == pictures_.end()) {
        if (pictures_.size() >= kMostNames) {
            if (!std::exchange(toldOfTooManyNames_, true))
                base::logf(
                    "Marker pictures: more than {} names; the others get a neutral picture", kMostNames);
            return standIn({});
        }
        known = pictures_.try_emplace(name).first;
    }
    Picture& picture = known->second;
    if (!picture.image.isNull())
        return picture.image;
    if (!picture.fetching && now() >= picture.retryAt) {
        picture.fetching = true;
        read(name);
    }
    return standIn(name);
}

void MarkerPictures::read(const std::string& name)
{
    pictures_[name].work = queue_.run([this, name] {
        platform::Image image = Utilities().getCachedImage(name);
        return [this, name, image] {
            if (image.isNull())
                return download(name);
            arrived(name, image);
        };
    });
}

void MarkerPictures::download(const std::string& name)
{
    const std::string url = protocol::GameServer::markerImageLocation(name);
    pictures_[name].download
        = PictureDownload::create(url, [this, name](std::optional<platform::Data> bytes) {
              if (!bytes)
                  return failed(name);
              keep(name, *bytes);
          });
    if (!pictures_[name].download)
        failed(name);
}

void MarkerPictures::keep(const std::string& name, const platform::Data& bytes)
{
    Picture& picture = pictures_[name];
    const std::string url = protocol::GameServer::markerImageLocation(name);
    picture.work = queue_.run([this, name, url, bytes] {
        platform::Image image = Utilities().cacheImage(name, url, bytes);
        return [this, name, image] {
            if (image.isNull())
                return failed(name);
            arrived(name, image);
        };
    });
    // The bytes are the work's now; the download may go.
    picture.download.reset();
}

void MarkerPictures::arrived(const std::string& name, const platform::Image& image)
{
    Picture& picture = pictures_[name];
    picture = Picture {};
    picture.image = image;
    const Arrival arrival = arrival_;
    arrival(name);
}

void MarkerPictures::failed(const std::string& name)
{
    Picture& picture = pictures_[name];
    picture.retryDelay = std::clamp(picture.retryDelay * 2, kFirstRetryDelay, kLastRetryDelay);
    picture.retryAt = now() + picture.retryDelay;
    picture.fetching = false;
    picture.work.reset();
    picture.download.reset();
}

platform::Image MarkerPictures::standIn(const std::string& name)
{
    const bool ours = name == protocol::kCoinPicture || name == protocol::kPrincessPicture
        || name == protocol::kHeroPicture || name == protocol::kHeroSeesPrincessPicture;
    const std::string file = ours ? name : std::string(kNeutralPicture);
    auto [known, added] = standIns_.try_emplace(file);
    if (added)
        known->second = platform::Image::named(file, ours ? kStandInFolder : std::string_view());
    return known->second;
}

} // namespace game
