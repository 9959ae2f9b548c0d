#pragma once

#include "CGGeometry.h"
#include "View.h"

#include <memory>
#include <string>

class RMMapContents;
class RMMarkerManager;

// The map on screen: a platform view whose root layer holds the map's
// layers, and which owns the map contents behind it. The contents are made
// on first use with their defaults (the OpenStreetMap source) unless given.
// Main thread only.
class RMMapView : public platform::View {
public:
    explicit RMMapView(CGRect frame = CGRectZero, QWidget* parent = nullptr);
    // Logs the trace line and lets the contents go before the view.
    ~RMMapView() override;

    // The contents, made on first use (RMMapContents::createForView).
    RMMapContents& contents();
    // Whether contents exist, without making them.
    bool hasContents() const { return contents_ != nullptr; }
    // The view becomes an owner of the contents; the old ones are let go.
    void setContents(std::shared_ptr<RMMapContents> contents);
    RMMarkerManager& markerManager();

    // Moves the view; when the frame really changed and contents exist, they
    // hear of the new frame.
    void setFrame(CGRect frame) override;
    // Logs the trace line and passes the warning to the contents.
    void didReceiveMemoryWarning();

    // "MapView at <x>,<y>-<width>,<height>" (the bounds, no decimals).
    std::string description() const;

private:
    std::shared_ptr<RMMapContents> contents_;
};
