#pragma once

#include "Action.h"
#include "BasicAnimation.h"
#include "CGGeometry.h"
#include "Color.h"
#include "Image.h"
#include "LayerHost.h"
#include "ScaledPicture.h"
#include "Transform3D.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

namespace platform {

// A rectangle in the layer tree that the Compositor paints: a background
// colour, a picture scaled to the bounds, custom drawing (drawInContext),
// then the sublayers in order, later ones on top.
//
// Geometry, as the platform defines it: `bounds` is the layer's own
// coordinate space (its origin is the local point shown at the top left);
// `position` is where the layer's `anchorPoint` (unit coordinates of the
// bounds, (0, 0) top left, (1, 1) bottom right, default (0.5, 0.5)) sits in
// the superlayer's coordinates; `transform` scales about the anchor point;
// `frame` is the resulting rectangle in the superlayer's coordinates.
//
// Layers are identities, owned through shared pointers: a layer owns its
// sublayers and knows its superlayer without owning it. Main thread only.
//
// Every change that shows on screen (geometry, appearance, sublayers,
// animations, a subclass's drawing) tells the host of the tree, if the root
// has one (see LayerHost), by walking up the superlayer chain. Setting a
// property to the value it has tells nobody.
class Layer : public std::enable_shared_from_this<Layer> {
public:
    Layer();
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // --- Tree. Adding a layer takes it out of its former superlayer first.
    // Adding a layer to itself or to one of its sublayers throws
    // std::invalid_argument.
    Layer* superlayer() const { return superlayer_; }
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    // Appends on top of all sublayers.
    virtual void addSublayer(std::shared_ptr<Layer> layer);
    // Inserts at `index` (clamped to the number of sublayers).
    virtual void insertSublayerAtIndex(std::shared_ptr<Layer> layer, std::size_t index);
    // Inserts right above / below `sibling`; a null sibling means on top /
    // at the bottom. A sibling that is not a sublayer throws
    // std::invalid_argument.
    virtual void insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling);
    virtual void insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling);
    // Replaces all sublayers (duplicates in the list count once).
    virtual void setSublayers(std::vector<std::shared_ptr<Layer>> layers);
    // Leaves the superlayer; the layer may be destroyed by this if the
    // superlayer held its last reference.
    void removeFromSuperlayer();

    // --- Geometry (screen points).
    CGPoint position() const { return position_; }
    void setPosition(CGPoint position);
    CGRect bounds() const { return bounds_; }
    void setBounds(CGRect bounds);
    CGPoint anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(CGPoint anchorPoint);
    Transform3D transform() const { return transform_; }
    void setTransform(Transform3D transform);
    // The bounds placed at the position and scaled by the transform, in the
    // superlayer's coordinates.
    CGRect frame() const;
    // Sets the position and the bounds' size so that frame() is `frame`;
    // the bounds' origin is kept.
    void setFrame(CGRect frame);
    // A point of the superlayer's coordinates in this layer's coordinates.
    CGPoint convertPointFromSuperlayer(CGPoint point) const;
    // Whether a point in this layer's coordinates lies in its bounds.
    bool containsPoint(CGPoint point) const;
    // The deepest visible layer of this subtree that contains the point
    // (in the superlayer's coordinates): sublayers are tried from the top;
    // hidden layers and their sublayers are never hit; a layer that masks to
    // its bounds lets no sublayer be hit outside them. Null when none.
    Layer* hitTest(CGPoint point);

    // --- Appearance.
    // The picture drawn scaled to the bounds; null for none.
    const Image& contents() const { return contents_; }
    void setContents(Image contents);
    // The compositor's resampled copy of the contents, kept between frames
    // while the size on screen stays; a new picture drops it.
    ScaledPicture& scaledContents() const { return scaledContents_; }
    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color color);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // Whether sublayers are clipped to the bounds.
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    // Edges drawn antialiased (bits: left 1, right 2, bottom 4, top 8). The
    // compositor antialiases no edges, so all masks draw the same.
    unsigned edgeAntialiasingMask() const { return edgeAntialiasingMask_; }
    void setEdgeAntialiasingMask(unsigned mask) { edgeAntialiasingMask_ = mask; }

    // --- Actions (implicit animations; never run, see Action).
    // A null action under a key means "no action" for that key.
    using Actions = std::map<std::string, std::shared_ptr<const Action>, std::less<>>;
    const Actions& actions() const { return actions_; }
    void setActions(Actions actions) { actions_ = std::move(actions); }
    // The action for a key: the entry of actions() if there is one (null
    // for a null entry), else the platform's default action. Subclasses
    // override it to switch keys off.
    virtual std::shared_ptr<const Action> actionForKey(std::string_view key) const;

    // --- Explicit animations, sampled on the Clock by the compositor.
    // Adds a copy of the animation under `key`, replacing (and restarting)
    // any animation under that key. It starts at its begin time, or now.
    void addAnimation(const BasicAnimation& animation, std::string key);
    // The animation under `key` while it has not finished; null otherwise.
    const BasicAnimation* animationForKey(std::string_view key) const;
    void removeAnimationForKey(std::string_view key);
    void removeAllAnimations();
    // The keys of the animations that have not finished, in the order added.
    std::vector<std::string> animationKeys() const;
    // The transform shown at `time` (Clock time): that of the last added
    // running "transform" animation, or the layer's own.
    Transform3D presentationTransform(double time) const;
    // Whether an animation of this layer (not of its sublayers) has not
    // finished at `time` (Clock time); one that waits for its begin time
    // counts.
    bool hasAnimationsAt(double time) const;

    // --- Custom drawing.
    // Whether drawInContext draws anything; the compositor skips the call
    // otherwise.
    bool drawsInContext() const { return drawsInContext_; }
    // Draws in the layer's own coordinates (the painter is set up so the
    // bounds map to the layer's place on screen).
    virtual void drawInContext(QPainter& painter) const;
    // Tells the host of the tree that this layer looks different; the
    // property setters call it themselves, subclasses call it when what
    // drawInContext draws changes.
    void setNeedsDisplay();

    // --- Hosting. The host of the tree whose root this layer is; null for
    // none. Not owned: the host resets it before it goes away.
    LayerHost* host() const { return host_; }
    void setHost(LayerHost* host) { host_ = host; }

protected:
    void setDrawsInContext(bool draws);

private:
    // Stores a property that shows on screen; a change asks for a repaint.
    template<typename T> void assignVisible(T& field, T value);

    struct RunningAnimation {
        std::string key;
        BasicAnimation animation;
        double start;
    };

    void insertAt(std::shared_ptr<Layer> layer, std::size_t index);
    void checkCanAdopt(const Layer& layer) const;
    std::size_t indexOfSublayer(const Layer* layer) const;
    void pruneFinishedAnimations(double now);

    Layer* superlayer_ = nullptr;
    LayerHost* host_ = nullptr;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    CGPoint position_;
    CGRect bounds_;
    CGPoint anchorPoint_ { 0.5f, 0.5f };
    Transform3D transform_;
    Image contents_;
    mutable ScaledPicture scaledContents_;
    Color backgroundColor_ = Color::clear();
    bool hidden_ = false;
    bool masksToBounds_ = false;
    bool drawsInContext_ = false;
    unsigned edgeAntialiasingMask_ = 0x0f;
    std::string name_;
    Actions actions_;
    std::vector<RunningAnimation> animations_;
};

} // namespace platform
