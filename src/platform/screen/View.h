#pragma once

#include "Autoresizing.h"
#include "CGGeometry.h"
#include "Color.h"
#include "Event.h"
#include "Layer.h"
#include "LayerHost.h"
#include "Timer.h"
#include "Touch.h"
#include "TouchTracker.h"

#include <QWidget>

#include <memory>
#include <vector>

class QTouchEvent;

namespace platform {

// A rectangle on screen that shows a layer tree and turns the user's
// fingers into touch events: the platform's view, as a Qt widget.
//
// Drawing: the view owns its root layer (layer()), whose bounds follow the
// view's bounds. Any change in the tree that shows on screen schedules one
// repaint, however many changes happen in an event-loop turn; the tree is
// painted through the Compositor at the Clock's time, and repainted about
// 60 times a second while a visible layer has an animation running.
//
// Touches: fingers on a touch screen, and the mouse's left button as one
// finger, arrive as touchesBegan/Moved/Ended/Cancelled with the touches
// that changed and the event holding all touches of the sequence. Taps are
// counted by the platform's double-click interval and distances, in Clock
// time. Mouse events that Qt or the window system made up from touches are
// not delivered twice. Hiding or disabling the view cancels its touches.
//
// Units are points: one point is one device-independent pixel. Main thread
// only.
class View : public QWidget, private LayerHost {
public:
    explicit View(CGRect frame = CGRectZero, QWidget* parent = nullptr);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // The root of the view's layer tree; lives as long as the view.
    Layer& layer() const { return *layer_; }

    // The view's rectangle in its parent's coordinates (in the screen's for
    // a window). Qt places widgets on whole points, so the frame set is
    // rounded to whole points.
    CGRect frame() const;
    virtual void setFrame(CGRect frame);
    // The view's own coordinate space: origin (0, 0), the frame's size.
    CGRect bounds() const;

    // The root layer's background colour; clear by default.
    Color backgroundColor() const { return layer_->backgroundColor(); }
    void setBackgroundColor(Color color) { layer_->setBackgroundColor(color); }

    // How opaque the view's own drawing is, 0 to 1 (1 by default); it does
    // not reach subviews.
    float alpha() const { return alpha_; }
    void setAlpha(float alpha);

    // --- Subviews: child widgets, owned by Qt's parent tree.
    // The parent view, or null for a window or a view out of any tree.
    View* superview() const;
    // Adds `view` on top of the other subviews (taking it out of its former
    // parent); it shows unless it was hidden with setHidden.
    void addSubview(QWidget* view);
    // Adds `view` right below / above `sibling`, a subview of this view.
    void insertSubviewBelow(QWidget* view, QWidget* sibling);
    void insertSubviewAbove(QWidget* view, QWidget* sibling);
    // Leaves the parent view; whoever holds the view now owns it.
    void removeFromSuperview();
    // How this view follows its superview's size (kAutoresizing… flags;
    // none by default).
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }

    // Off by default: only the first finger of a sequence is followed.
    bool isMultipleTouchEnabled() const { return tracker_.isMultipleTouchEnabled(); }
    void setMultipleTouchEnabled(bool enabled) { tracker_.setMultipleTouchEnabled(enabled); }

    // Schedules a repaint of the whole view; repaints asked for in the same
    // event-loop turn are one.
    void setNeedsDisplay();

    // --- Resolution: the panel's pixels per point for this view, the
    // device pixel ratio of the screen it is on (1 on most desktop screens,
    // 2 to 3 on phones) unless set. Geometry stays in points whatever the
    // factor; what a view draws lands on the panel's pixels.
    float contentScaleFactor() const;
    // Fixes the factor, for drawing offscreen at another resolution (a
    // snapshot); 0, a negative or a non-finite value follows the screen
    // again. A change calls contentScaleFactorDidChange.
    void setContentScaleFactor(float factor);

    // --- Touch handlers. `touches` are the touches that changed to the
    // handler's phase, in the order their fingers touched down; `event`
    // holds every touch of the sequence. When one input event changes
    // touches in several ways, the handlers are called in the order began,
    // moved, ended, cancelled. The view may be destroyed by a handler; the
    // remaining handlers are then not called. The defaults do nothing.
    virtual void touchesBegan(const std::vector<Touch*>& touches, const Event& event);
    virtual void touchesMoved(const std::vector<Touch*>& touches, const Event& event);
    virtual void touchesEnded(const std::vector<Touch*>& touches, const Event& event);
    virtual void touchesCancelled(const std::vector<Touch*>& touches, const Event& event);

    // --- Desktop input. Each returns whether it used the input; unused
    // input goes on to the parent widget. The defaults use nothing.
    // A mouse wheel turned or a touchpad scrolled over the view at
    // `location` (view coordinates) by `degrees` (one notch of most wheels
    // is 15; positive height: away from the user, positive width: right).
    virtual bool wheelTurned(CGPoint location, CGSize degrees);
    // A key pressed while the view has the keyboard focus: a Qt::Key code.
    virtual bool keyPressed(int key);

protected:
    // The content scale factor changed: it was set, or the view is now on a
    // screen of another pixel ratio. The default does nothing.
    virtual void contentScaleFactorDidChange();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layerTreeChanged() override;
    void touchEvent(QTouchEvent* event);
    void mouseButtonDown(QMouseEvent* event);
    // Runs one batch of touch changes: `report` tells the tracker what
    // changed, then the handlers hear of it.
    // Each returns false when a handler destroyed the view.
    template<typename Report> bool batch(const void* device, Report report);
    bool deliver();
    bool cancelAllTouches();
    void updateAnimationTimer();
    void animationFrame();
    // Tells contentScaleFactorDidChange when the factor is not the last one
    // seen.
    void checkContentScaleFactor();

    std::shared_ptr<Layer> layer_;
    TouchTracker tracker_;
    Timer animationTimer_;
    // The repaint that draws smoothly what a frame drew while it was being
    // resized.
    Timer restTimer_;
    float alpha_ = 1;
    // 0: the screen's.
    float fixedContentScaleFactor_ = 0;
    float contentScaleFactor_ = 1;
    unsigned autoresizingMask_ = kAutoresizingNone;
    bool repaintPending_ = false;
    bool delivering_ = false;
    bool cancelAfterDelivery_ = false;
};

} // namespace platform
