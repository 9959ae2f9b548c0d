#include "MapWindow.h"

#include "Event.h"
#include "Font.h"
#include "Layer.h"
#include "RMAttributionLabel.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "Touch.h"

#include <fmt/format.h>

#include <algorithm>

namespace {

constexpr float kLabelGap = 2;

} // namespace

MapWindow::MapWindow(const MapViewOptions& options, const std::vector<platform::Image>& markerPictures)
    : view_(std::make_unique<RMMapView>(CGRectMake(0, 0, options.size.width, options.size.height)))
{
    view_->setWindowTitle("Vantry map");
    RMMapContents& contents = *createContents(*view_, options);
    view_->setDeceleration(true);
    view_->setDelegate(this);

    for (std::size_t i = 0; i < options.markers.size() && i < markerPictures.size(); ++i) {
        auto marker = std::make_shared<RMMarker>(markerPictures[i]);
        marker->setTextBackgroundColor(platform::Color { 1, 1, 1, 0.85f });
        contents.markerManager().addMarkerAtLatLong(marker, options.markers[i].position);
        labelWithPosition(*marker);
        markers_.push_back(std::move(marker));
    }

    attribution_ = std::make_unique<RMAttributionLabel>(*view_, RMAttributionLabel::kOpenStreetMap);
}

MapWindow::~MapWindow()
{
    view_->setDelegate(nullptr);
}

void MapWindow::show()
{
    view_->show();
}

void MapWindow::labelWithPosition(RMMarker& marker)
{
    const bool hidden = !marker.labelView() || !marker.labelView()->layer()->superlayer();
    const RMLatLong position = view_->markerManager().latitudeLongitudeForMarker(marker);
    const std::string text = fmt::format("{:.5f}, {:.5f}", position.latitude, position.longitude);
    // Below the picture, so the picture stays free to take and drag.
    const CGSize size = platform::sizeWithFont(text, RMMarker::defaultFont());
    const CGRect picture = marker.bounds();
    marker.changeLabelUsingTextPosition(
        text, CGPointMake(picture.size.width / 2 - size.width / 2 - 2, picture.size.height + kLabelGap));
    if (hidden)
        marker.hideLabel();
}

void MapWindow::tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView&)
{
    marker->toggleLabel();
}

void MapWindow::tapOnLabelForMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView&)
{
    marker->toggleLabel();
}

void MapWindow::mapViewDidDragMarkerWithEvent(
    RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event)
{
    // The marker follows the finger's step, so it keeps the spot where the
    // finger took it.
    for (const platform::Touch* touch : event.allTouches()) {
        if (touch->phase() != platform::TouchPhase::Moved)
            continue;
        const CGPoint now = touch->locationInView(&map);
        const CGPoint before = touch->previousLocationInView(&map);
        const CGPoint at = marker->position();
        map.markerManager().moveMarkerAtXY(
            *marker, CGPointMake(at.x + now.x - before.x, at.y + now.y - before.y));
        break;
    }
    if (std::find(dragged_.begin(), dragged_.end(), marker) == dragged_.end())
        dragged_.push_back(marker);
}

void MapWindow::afterMapTouch(RMMapView&)
{
    for (const auto& marker : dragged_)
        labelWithPosition(*marker);
    dragged_.clear();
}
