#include "Layer.h"

#include "Clock.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace platform {

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The extent along one axis of a length scaled about an anchor at `at`.
std::pair<float, float> scaledSpan(float at, float anchor, float length, float scale)
{
    const float first = at + scale * (0 - anchor * length);
    const float last = at + scale * (length - anchor * length);
    return { std::min(first, last), std::max(first, last) };
}

template<typename T> bool same(const T& a, const T& b)
{
    return a == b;
}

bool same(CGPoint a, CGPoint b)
{
    return a.x == b.x && a.y == b.y;
}

// Field by field: unlike CGRectEqualToRect, bounds with a negative extent
// differ from their standardized form, since the origin is what is shown.
bool same(CGRect a, CGRect b)
{
    return same(a.origin, b.origin) && a.size.width == b.size.width && a.size.height == b.size.height;
}

} // namespace

Layer::Layer() = default;

Layer::~Layer()
{
    for (const auto& sublayer : sublayers_)
        sublayer->superlayer_ = nullptr;
}

void Layer::checkCanAdopt(const Layer& layer) const
{
    for (const Layer* ancestor = this; ancestor; ancestor = ancestor->superlayer_) {
        if (ancestor == &layer)
            throw std::invalid_argument("a layer cannot become a sublayer of itself or of its own sublayers");
    }
}

std::size_t Layer::indexOfSublayer(const Layer* layer) const
{
    const auto found
        = std::ranges::find_if(sublayers_, [layer](const auto& sublayer) { return sublayer.get() == layer; });
    return found == sublayers_.end() ? kNotFound : static_cast<std::size_t>(found - sublayers_.begin());
}

void Layer::insertAt(std::shared_ptr<Layer> layer, std::size_t index)
{
    layer->removeFromSuperlayer();
    index = std::min(index, sublayers_.size());
    layer->superlayer_ = this;
    sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), std::move(layer));
}

void Layer::addSublayer(std::shared_ptr<Layer> layer)
{
    if (!layer)
        return;
    checkCanAdopt(*layer);
    insertAt(std::move(layer), kNotFound);
    setNeedsDisplay();
}

void Layer::insertSublayerAtIndex(std::shared_ptr<Layer> layer, std::size_t index)
{
    if (!layer)
        return;
    checkCanAdopt(*layer);
    insertAt(std::move(layer), index);
    setNeedsDisplay();
}

void Layer::insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling)
{
    if (!layer || layer.get() == sibling)
        return;
    checkCanAdopt(*layer);
    if (sibling && indexOfSublayer(sibling) == kNotFound)
        throw std::invalid_argument("the sibling is not a sublayer of this layer");
    layer->removeFromSuperlayer();
    insertAt(std::move(layer), sibling ? indexOfSublayer(sibling) + 1 : kNotFound);
    setNeedsDisplay();
}

void Layer::insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling)
{
    if (!layer || layer.get() == sibling)
        return;
    checkCanAdopt(*layer);
    if (sibling && indexOfSublayer(sibling) == kNotFound)
        throw std::invalid_argument("the sibling is not a sublayer of this layer");
    layer->removeFromSuperlayer();
    insertAt(std::move(layer), sibling ? indexOfSublayer(sibling) : 0);
    setNeedsDisplay();
}

void Layer::setSublayers(std::vector<std::shared_ptr<Layer>> layers)
{
    std::erase(layers, nullptr);
    for (const auto& layer : layers)
        checkCanAdopt(*layer);
    // The old sublayers stay alive until the new list is in place.
    std::vector<std::shared_ptr<Layer>> old = std::move(sublayers_);
    sublayers_.clear();
    for (const auto& layer : old)
        layer->superlayer_ = nullptr;
    for (auto& layer : layers) {
        if (layer->superlayer_ == this)
            continue; // listed twice
        insertAt(std::move(layer), kNotFound);
    }
    if (sublayers_ != old)
        setNeedsDisplay();
}

void Layer::removeFromSuperlayer()
{
    Layer* parent = superlayer_;
    if (!parent)
        return;
    const std::size_t index = parent->indexOfSublayer(this);
    superlayer_ = nullptr;
    if (index == kNotFound)
        return;
    // Released at the end of this call, after the last use of `this`.
    const std::shared_ptr<Layer> keep = std::move(parent->sublayers_[index]);
    parent->sublayers_.erase(parent->sublayers_.begin() + static_cast<std::ptrdiff_t>(index));
    parent->setNeedsDisplay();
}

void Layer::setNeedsDisplay()
{
    for (const Layer* layer = this; layer; layer = layer->superlayer_) {
        if (layer->host_) {
            layer->host_->layerTreeChanged();
            return;
        }
    }
}

template<typename T> void Layer::assignVisible(T& field, T value)
{
    if (same(field, value))
        return;
    field = std::move(value);
    setNeedsDisplay();
}

void Layer::setPosition(CGPoint position)
{
    assignVisible(position_, position);
}

void Layer::setBounds(CGRect bounds)
{
    assignVisible(bounds_, bounds);
}

void Layer::setAnchorPoint(CGPoint anchorPoint)
{
    assignVisible(anchorPoint_, anchorPoint);
}

void Layer::setTransform(Transform3D transform)
{
    assignVisible(transform_, transform);
}

void Layer::setContents(Image contents)
{
    if (!(contents == contents_))
        scaledContents_.clear();
    assignVisible(contents_, std::move(contents));
}

void Layer::setBackgroundColor(Color color)
{
    assignVisible(backgroundColor_, color);
}

void Layer::setHidden(bool hidden)
{
    assignVisible(hidden_, hidden);
}

void Layer::setMasksToBounds(bool masks)
{
    assignVisible(masksToBounds_, masks);
}

void Layer::setDrawsInContext(bool draws)
{
    assignVisible(drawsInContext_, draws);
}

CGRect Layer::frame() const
{
    const auto [left, right] = scaledSpan(position_.x, anchorPoint_.x, bounds_.size.width, transform_.scaleX);
    const auto [top, bottom]
        = scaledSpan(position_.y, anchorPoint_.y, bounds_.size.height, transform_.scaleY);
    return CGRect { { left, top }, { right - left, bottom - top } };
}

void Layer::setFrame(CGRect frame)
{
    CGRect bounds = bounds_;
    const float scaleX = std::abs(transform_.scaleX);
    const float scaleY = std::abs(transform_.scaleY);
    if (scaleX > 0)
        bounds.size.width = frame.size.width / scaleX;
    if (scaleY > 0)
        bounds.size.height = frame.size.height / scaleY;
    const CGPoint position { frame.origin.x + anchorPoint_.x * frame.size.width,
        frame.origin.y + anchorPoint_.y * frame.size.height };
    if (same(bounds_, bounds) && same(position_, position))
        return;
    bounds_ = bounds;
    position_ = position;
    setNeedsDisplay();
}

CGPoint Layer::convertPointFromSuperlayer(CGPoint point) const
{
    const auto local = [](float p, float at, float scale, float anchor, float length, float origin) {
        return (p - at) / scale + anchor * length + origin;
    };
    return CGPoint {
        local(point.x, position_.x, transform_.scaleX, anchorPoint_.x, bounds_.size.width, bounds_.origin.x),
        local(point.y, position_.y, transform_.scaleY, anchorPoint_.y, bounds_.size.height, bounds_.origin.y),
    };
}

bool Layer::containsPoint(CGPoint point) const
{
    return point.x >= bounds_.origin.x && point.x < bounds_.origin.x + bounds_.size.width
        && point.y >= bounds_.origin.y && point.y < bounds_.origin.y + bounds_.size.height;
}

Layer* Layer::hitTest(CGPoint point)
{
    if (hidden_ || transform_.scaleX == 0 || transform_.scaleY == 0)
        return nullptr;
    const CGPoint local = convertPointFromSuperlayer(point);
    const bool inside = containsPoint(local);
    if (masksToBounds_ && !inside)
        return nullptr;
    for (auto sublayer = sublayers_.rbegin(); sublayer != sublayers_.rend(); ++sublayer) {
        if (Layer* hit = (*sublayer)->hitTest(local))
            return hit;
    }
    return inside ? this : nullptr;
}

std::shared_ptr<const Action> Layer::actionForKey(std::string_view key) const
{
    if (const auto found = actions_.find(key); found != actions_.end())
        return found->second;
    return Action::defaultActionForKey(key);
}

void Layer::pruneFinishedAnimations(double now)
{
    std::erase_if(animations_, [now](const RunningAnimation& running) {
        return now - running.start >= running.animation.activeDuration();
    });
}

void Layer::addAnimation(const BasicAnimation& animation, std::string key)
{
    const double now = Clock::current().now();
    pruneFinishedAnimations(now);
    std::erase_if(animations_, [&key](const RunningAnimation& running) { return running.key == key; });
    const double start = animation.beginTime() > 0 ? animation.beginTime() : now;
    animations_.push_back(RunningAnimation { std::move(key), animation, start });
    setNeedsDisplay();
}

const BasicAnimation* Layer::animationForKey(std::string_view key) const
{
    const double now = Clock::current().now();
    for (const RunningAnimation& running : animations_) {
        if (running.key == key && now - running.start < running.animation.activeDuration())
            return &running.animation;
    }
    return nullptr;
}

void Layer::removeAnimationForKey(std::string_view key)
{
    if (std::erase_if(animations_, [key](const RunningAnimation& running) { return running.key == key; }) > 0)
        setNeedsDisplay();
}

void Layer::removeAllAnimations()
{
    if (animations_.empty())
        return;
    animations_.clear();
    setNeedsDisplay();
}

bool Layer::hasAnimationsAt(double time) const
{
    return std::ranges::any_of(animations_, [time](const RunningAnimation& running) {
        return time - running.start < running.animation.activeDuration();
    });
}

std::vector<std::string> Layer::animationKeys() const
{
    const double now = Clock::current().now();
    std::vector<std::string> keys;
    for (const RunningAnimation& running : animations_) {
        if (now - running.start < running.animation.activeDuration())
            keys.push_back(running.key);
    }
    return keys;
}

Transform3D Layer::presentationTransform(double time) const
{
    Transform3D shown = transform_;
    for (const RunningAnimation& running : animations_) {
        if (running.animation.keyPath() != "transform")
            continue;
        if (const std::optional<Transform3D> value = running.animation.valueAt(time - running.start))
            shown = *value;
    }
    return shown;
}

void Layer::drawInContext(QPainter&) const
{ }

} // namespace platform
