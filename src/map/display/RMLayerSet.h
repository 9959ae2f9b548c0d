#pragma once

#include "RMFoundation.h"
#include "RMMapLayer.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class RMDisplayContents;

// A map layer holding other map layers: the map contents' overlay, where
// the markers live. Besides the platform's sublayer list (drawing order) it
// keeps its own member list (the order moves and corrections visit). Every
// member that is an RMMovingMapLayer is placed at the screen point of its
// projected location when it is added and on every correction; moves and
// zooms are passed to the members that are map layers.
//
// The set clips its sublayers to its bounds. Operations that read or change
// the member list hold a recursive lock for their whole body
// (correctScreenPosition and hasSubLayer take none, and setSublayers places
// the new layers before taking it). Everything runs on the main thread, so
// the lock is never contended and stops nothing there; the walks over the
// members go by index, so a member's own code may change the list
// meanwhile. Main thread only.
class RMLayerSet : public RMMapLayer {
public:
    // `contents` (not owned, may be null) supplies the screen projection.
    explicit RMLayerSet(RMDisplayContents* contents);
    ~RMLayerSet() override;

    // The members, in list order.
    std::vector<std::shared_ptr<platform::Layer>> members() const;

    // Puts a moving map layer at the screen point of its projected location;
    // leaves any other layer alone.
    void correctScreenPosition(platform::Layer& layer) const;
    // Places the new layers, then makes them the members and the sublayers
    // (an empty list removes all).
    void setSublayers(std::vector<std::shared_ptr<platform::Layer>> layers) override;
    // Places the layer, appends it to the members and puts it on top.
    void addSublayer(std::shared_ptr<platform::Layer> layer) override;
    // Removes every occurrence from the members, then the layer leaves its
    // superlayer (whichever that is).
    void removeSublayer(const std::shared_ptr<platform::Layer>& layer);
    void removeSublayers(const std::vector<std::shared_ptr<platform::Layer>>& layers);
    // Places the layer and inserts it right after / at the sibling in the
    // members and above / below it in the drawing order. A sibling that is
    // not a member throws base::NamedException "NSRangeException" and
    // changes nothing.
    void insertSublayerAbove(std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling) override;
    void insertSublayerBelow(std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling) override;
    // Places the layer and inserts it at `index` of the members (clamped),
    // but on top of the drawing order.
    void insertSublayerAtIndex(std::shared_ptr<platform::Layer> layer, std::size_t index) override;
    // The point is not used: correctPositionOfAllSublayers.
    void moveToProjectedPoint(RMProjectedPoint point);
    // Moves / zooms each member that is a map layer; the set itself stays.
    void moveBy(CGSize delta) override;
    void zoomByFactorNear(float factor, CGPoint pivot) override;
    // Places every member.
    void correctPositionOfAllSublayers();
    bool hasSubLayer(const platform::Layer* layer) const;

private:
    enum class Side { Above, Below };

    std::size_t memberIndex(const platform::Layer* layer) const;
    void insertNextToMember(
        std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling, Side side);

    std::vector<std::shared_ptr<platform::Layer>> set_;
    RMDisplayContents* mapContents_;
    mutable std::recursive_mutex lock_;
};
