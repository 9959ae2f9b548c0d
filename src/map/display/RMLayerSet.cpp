#include "RMLayerSet.h"

#include "Exception.h"
#include "RMDisplayContents.h"
#include "RMMercatorToScreenProjection.h"
#include "RMMovingMapLayer.h"

#include <algorithm>

namespace {
constexpr std::size_t kNotMember = static_cast<std::size_t>(-1);
}

RMLayerSet::RMLayerSet(RMDisplayContents* contents)
    : mapContents_(contents)
{
    setMasksToBounds(true);
}

RMLayerSet::~RMLayerSet()
{
    std::lock_guard lock(lock_);
    set_.clear();
    mapContents_ = nullptr;
}

std::vector<std::shared_ptr<platform::Layer>> RMLayerSet::members() const
{
    std::lock_guard lock(lock_);
    return set_;
}

void RMLayerSet::correctScreenPosition(platform::Layer& layer) const
{
    const auto* moving = dynamic_cast<const RMMovingMapLayer*>(&layer);
    if (!moving || !mapContents_ || !mapContents_->mercatorToScreenProjection())
        return;
    layer.setPosition(
        mapContents_->mercatorToScreenProjection()->projectXYPoint(moving->projectedLocation()));
}

void RMLayerSet::setSublayers(std::vector<std::shared_ptr<platform::Layer>> layers)
{
    std::erase(layers, nullptr);
    for (const auto& layer : layers)
        correctScreenPosition(*layer);
    std::lock_guard lock(lock_);
    platform::Layer::setSublayers(layers);
    set_ = std::move(layers);
}

void RMLayerSet::addSublayer(std::shared_ptr<platform::Layer> layer)
{
    if (!layer)
        return;
    std::lock_guard lock(lock_);
    correctScreenPosition(*layer);
    platform::Layer::addSublayer(layer);
    set_.push_back(std::move(layer));
}

void RMLayerSet::removeSublayer(const std::shared_ptr<platform::Layer>& layer)
{
    if (!layer)
        return;
    std::lock_guard lock(lock_);
    std::erase(set_, layer);
    layer->removeFromSuperlayer();
}

void RMLayerSet::removeSublayers(const std::vector<std::shared_ptr<platform::Layer>>& layers)
{
    std::lock_guard lock(lock_);
    for (const auto& layer : layers)
        removeSublayer(layer);
}

void RMLayerSet::insertSublayerAbove(std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling)
{
    insertNextToMember(std::move(layer), sibling, Side::Above);
}

void RMLayerSet::insertSublayerBelow(std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling)
{
    insertNextToMember(std::move(layer), sibling, Side::Below);
}

void RMLayerSet::insertNextToMember(
    std::shared_ptr<platform::Layer> layer, const platform::Layer* sibling, Side side)
{
    if (!layer)
        return;
    std::lock_guard lock(lock_);
    const std::size_t index = memberIndex(sibling);
    if (index == kNotMember)
        throw base::NamedException("NSRangeException", "the sibling is not a member of the layer set");
    correctScreenPosition(*layer);
    std::size_t memberSlot = index;
    if (side == Side::Above) {
        platform::Layer::insertSublayerAbove(layer, sibling);
        ++memberSlot;
    } else {
        platform::Layer::insertSublayerBelow(layer, sibling);
    }
    set_.insert(set_.begin() + static_cast<std::ptrdiff_t>(memberSlot), std::move(layer));
}

void RMLayerSet::insertSublayerAtIndex(std::shared_ptr<platform::Layer> layer, std::size_t index)
{
    if (!layer)
        return;
    std::lock_guard lock(lock_);
    correctScreenPosition(*layer);
    platform::Layer::addSublayer(layer);
    set_.insert(set_.begin() + static_cast<std::ptrdiff_t>(std::min(index, set_.size())), std::move(layer));
}

void RMLayerSet::moveToProjectedPoint(RMProjectedPoint)
{
    correctPositionOfAllSublayers();
}

// Members are visited by index: a member's own code may change the list
// (the lock is recursive), which must not invalidate the walk.
void RMLayerSet::moveBy(CGSize delta)
{
    std::lock_guard lock(lock_);
    for (std::size_t i = 0; i < set_.size(); ++i) {
        if (auto* mapLayer = dynamic_cast<RMMapLayer*>(set_[i].get()))
            mapLayer->moveBy(delta);
    }
}

void RMLayerSet::zoomByFactorNear(float factor, CGPoint pivot)
{
    std::lock_guard lock(lock_);
    for (std::size_t i = 0; i < set_.size(); ++i) {
        if (auto* mapLayer = dynamic_cast<RMMapLayer*>(set_[i].get()))
            mapLayer->zoomByFactorNear(factor, pivot);
    }
}

void RMLayerSet::correctPositionOfAllSublayers()
{
    std::lock_guard lock(lock_);
    for (std::size_t i = 0; i < set_.size(); ++i)
        correctScreenPosition(*set_[i]);
}

bool RMLayerSet::hasSubLayer(const platform::Layer* layer) const
{
    return memberIndex(layer) != kNotMember;
}

std::size_t RMLayerSet::memberIndex(const platform::Layer* layer) const
{
    const auto found
        = std::ranges::find_if(set_, [layer](const auto& member) { return member.get() == layer; });
    return found == set_.end() ? kNotMember : static_cast<std::size_t>(found - set_.begin());
}
