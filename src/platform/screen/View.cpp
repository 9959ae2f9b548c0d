#include "View.h"

#include "Clock.h"
#include "Compositor.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPointingDevice>
#include <QRect>
#include <QResizeEvent>
#include <QStyleHints>
#include <QTouchEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kAnimationFrameInterval = 1.0 / 60;

// The device of the mouse's finger; all mice share it.
const char kMouse = 0;

CGPoint point(const QPointF& position)
{
    return CGPoint { static_cast<float>(position.x()), static_cast<float>(position.y()) };
}

TouchTracker::Finger mouseFinger()
{
    return TouchTracker::Finger { &kMouse, 0 };
}

// Mouse events made up from touches we already follow as touches: Qt's own
// (from the touch screen device) and the window system's pointer emulation.
bool isFromTouch(const QMouseEvent& event)
{
    const QPointingDevice* device = event.pointingDevice();
    return event.source() == Qt::MouseEventSynthesizedBySystem
        || (device && device->type() == QInputDevice::DeviceType::TouchScreen);
}

TouchTracker::TapRules tapRules(const void* device)
{
    const QStyleHints* hints = QGuiApplication::styleHints();
    const int distance
        = device == &kMouse ? hints->mouseDoubleClickDistance() : hints->touchDoubleTapDistance();
    return TouchTracker::TapRules { hints->mouseDoubleClickInterval() / 1000.0, static_cast<float>(distance),
        static_cast<float>(hints->startDragDistance()) };
}

bool isAnimating(const Layer& layer, double time)
{
    if (layer.isHidden())
        return false;
    if (layer.hasAnimationsAt(time))
        return true;
    for (const auto& sublayer : layer.sublayers()) {
        if (isAnimating(*sublayer, time))
            return true;
    }
    return false;
}

// Shares a parent's change of `delta` points along one axis among the flexible
// parts of a child's extent there (margin before, size, margin after).
void resizeAxis(
    float& origin, float& size, float delta, bool flexibleBefore, bool flexibleSize, bool flexibleAfter)
{
    const int parts = int(flexibleBefore) + int(flexibleSize) + int(flexibleAfter);
    if (parts == 0)
        return;
    const float share = delta / static_cast<float>(parts);
    if (flexibleBefore)
        origin += share;
    if (flexibleSize)
        size = std::max(0.0f, size + share);
}

} // namespace

View::View(CGRect frame, QWidget* parent)
    : QWidget(parent)
    , layer_(std::make_shared<Layer>())
    , tracker_(this)
{
    setAttribute(Qt::WA_AcceptTouchEvents);
    setFocusPolicy(Qt::StrongFocus);
    layer_->setAnchorPoint(CGPointZero);
    layer_->setHost(this);
    View::setFrame(frame);
    contentScaleFactor_ = contentScaleFactor();
}

View::~View()
{
    layer_->setHost(nullptr);
}

CGRect View::frame() const
{
    const QRect area = geometry();
    return CGRectMake(static_cast<float>(area.x()), static_cast<float>(area.y()),
        static_cast<float>(area.width()), static_cast<float>(area.height()));
}

void View::setFrame(CGRect frame)
{
    const CGRect standard = CGRectStandardize(frame);
    const auto whole = [](float value) { return static_cast<int>(std::lround(value)); };
    setGeometry(QRect(whole(standard.origin.x), whole(standard.origin.y), whole(standard.size.width),
        whole(standard.size.height)));
    // A hidden widget gets its resize event only when shown.
    layer_->setBounds(bounds());
}

CGRect View::bounds() const
{
    return CGRectMake(0, 0, static_cast<float>(width()), static_cast<float>(height()));
}

void View::setAlpha(float alpha)
{
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    if (alpha == alpha_)
        return;
    alpha_ = alpha;
    setNeedsDisplay();
}

View* View::superview() const
{
    return dynamic_cast<View*>(parentWidget());
}

void View::addSubview(QWidget* view)
{
    const bool hidden = view->isHidden() && view->testAttribute(Qt::WA_WState_ExplicitShowHide);
    view->setParent(this);
    view->raise();
    view->setVisible(!hidden);
}

void View::insertSubviewBelow(QWidget* view, QWidget* sibling)
{
    addSubview(view);
    view->stackUnder(sibling);
}

void View::insertSubviewAbove(QWidget* view, QWidget* sibling)
{
    addSubview(view);
    // Qt stacks only under a sibling: go under the one right above `sibling`.
    const QObjectList& stack = children();
    const auto above = std::find(stack.begin(), stack.end(), sibling);
    for (auto next = above == stack.end() ? above : above + 1; next != stack.end(); ++next) {
        auto* widget = qobject_cast<QWidget*>(*next);
        if (widget && widget != view) {
            view->stackUnder(widget);
            return;
        }
    }
}

void View::removeFromSuperview()
{
    if (parentWidget())
        setParent(nullptr);
}

void View::setNeedsDisplay()
{
    if (repaintPending_)
        return;
    repaintPending_ = true;
    update();
}

void View::layerTreeChanged()
{
    setNeedsDisplay();
}

void View::paintEvent(QPaintEvent*)
{
    repaintPending_ = false;
    QPainter painter(this);
    painter.setOpacity(alpha_);
    if (Compositor::paint(
            painter, *layer_, Clock::current().now(), Compositor::Resampling::FastWhileResizing))
        restTimer_ = Timer::scheduledTimer(Compositor::kRestInterval, false, [this] { setNeedsDisplay(); });
    painter.end();
    updateAnimationTimer();
    checkContentScaleFactor();
}

float View::contentScaleFactor() const
{
    return fixedContentScaleFactor_ > 0 ? fixedContentScaleFactor_ : static_cast<float>(devicePixelRatioF());
}

void View::setContentScaleFactor(float factor)
{
    fixedContentScaleFactor_ = std::isfinite(factor) && factor > 0 ? factor : 0;
    checkContentScaleFactor();
}

void View::contentScaleFactorDidChange()
{ }

void View::checkContentScaleFactor()
{
    const float factor = contentScaleFactor();
    if (factor == contentScaleFactor_)
        return;
    contentScaleFactor_ = factor;
    contentScaleFactorDidChange();
}

void View::updateAnimationTimer()
{
    if (animationTimer_.isValid() || !isAnimating(*layer_, Clock::current().now()))
        return;
    animationTimer_ = Timer::scheduledTimer(kAnimationFrameInterval, true, [this] { animationFrame(); });
}

void View::animationFrame()
{
    // The frame after the last animation ends shows the layers' own state.
    if (!isAnimating(*layer_, Clock::current().now()))
        animationTimer_.invalidate();
    setNeedsDisplay();
}

void View::resizeEvent(QResizeEvent* event)
{
    layer_->setBounds(bounds());
    if (event->oldSize().isValid()) {
        const float dx = static_cast<float>(event->size().width() - event->oldSize().width());
        const float dy = static_cast<float>(event->size().height() - event->oldSize().height());
        for (QObject* child : children()) {
            auto* view = dynamic_cast<View*>(child);
            if (!view || view->autoresizingMask_ == kAutoresizingNone)
                continue;
            const unsigned mask = view->autoresizingMask_;
            CGRect frame = view->frame();
            resizeAxis(frame.origin.x, frame.size.width, dx, mask & kAutoresizingFlexibleLeftMargin,
                mask & kAutoresizingFlexibleWidth, mask & kAutoresizingFlexibleRightMargin);
            resizeAxis(frame.origin.y, frame.size.height, dy, mask & kAutoresizingFlexibleTopMargin,
                mask & kAutoresizingFlexibleHeight, mask & kAutoresizingFlexibleBottomMargin);
            view->setFrame(frame);
        }
    }
    QWidget::resizeEvent(event);
}

void View::hideEvent(QHideEvent* event)
{
    animationTimer_.invalidate();
    cancelAllTouches();
    QWidget::hideEvent(event);
}

void View::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        cancelAllTouches();
    QWidget::changeEvent(event);
}

void View::touchesBegan(const std::vector<Touch*>&, const Event&)
{ }
void View::touchesMoved(const std::vector<Touch*>&, const Event&)
{ }
void View::touchesEnded(const std::vector<Touch*>&, const Event&)
{ }
void View::touchesCancelled(const std::vector<Touch*>&, const Event&)
{ }

bool View::wheelTurned(CGPoint, CGSize)
{
    return false;
}

bool View::keyPressed(int)
{
    return false;
}

template<typename Report> bool View::batch(const void* device, Report report)
{
    if (delivering_) {
        // Input from a nested event loop inside a handler: the sequence
        // cannot be followed reliably any more.
        cancelAfterDelivery_ = true;
        return true;
    }
    tracker_.beginBatch(Clock::current().now(), tapRules(device));
    report();
    return deliver();
}

bool View::deliver()
{
    const TouchTracker::Changes changes = tracker_.changes();
    if (changes.empty()) {
        tracker_.endBatch();
        return true;
    }
    const Event& event = tracker_.event();
    const QPointer<View> alive(this);
    delivering_ = true;
    if (!changes.began.empty())
        touchesBegan(changes.began, event);
    if (alive && !changes.moved.empty())
        touchesMoved(changes.moved, event);
    if (alive && !changes.ended.empty())
        touchesEnded(changes.ended, event);
    if (alive && !changes.cancelled.empty())
        touchesCancelled(changes.cancelled, event);
    if (!alive)
        return false;
    delivering_ = false;
    tracker_.endBatch();
    if (!cancelAfterDelivery_)
        return true;
    cancelAfterDelivery_ = false;
    return cancelAllTouches();
}

bool View::cancelAllTouches()
{
    if (tracker_.empty())
        return true;
    return batch(nullptr, [this] { tracker_.cancelAll(); });
}

bool View::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        touchEvent(static_cast<QTouchEvent*>(event));
        return true;
    case QEvent::TouchCancel: {
        const void* device = static_cast<QTouchEvent*>(event)->pointingDevice();
        batch(device, [this, device] { tracker_.cancelDevice(device); });
        return true;
    }
    case QEvent::ScreenChangeInternal: {
        const bool used = QWidget::event(event);
        checkContentScaleFactor();
        return used;
    }
    default:
        return QWidget::event(event);
    }
}

void View::touchEvent(QTouchEvent* event)
{
    event->accept();
    const QPointingDevice* device = event->pointingDevice();
    // Fingers on a touchpad move the pointer, which we follow as the mouse.
    if (device && device->type() == QInputDevice::DeviceType::TouchPad)
        return;
    // A new sequence on a device means its fingers of the last one are gone,
    // whether or not we heard them lift.
    if (event->type() == QEvent::TouchBegin && tracker_.containsDevice(device)
        && !batch(device, [this, device] { tracker_.cancelDevice(device); }))
        return;
    const bool alive = batch(device, [this, event, device] {
        for (const QEventPoint& touchPoint : event->points()) {
            const TouchTracker::Finger finger { device, touchPoint.id() };
            switch (touchPoint.state()) {
            case QEventPoint::Pressed:
                tracker_.press(finger, point(touchPoint.position()));
                break;
            case QEventPoint::Updated:
                tracker_.move(finger, point(touchPoint.position()));
                break;
            case QEventPoint::Released:
                tracker_.release(finger, point(touchPoint.position()));
                break;
            case QEventPoint::Stationary:
            case QEventPoint::Unknown:
                break;
            }
        }
    });
    // The end of a sequence leaves no finger of the device down.
    if (alive && event->type() == QEvent::TouchEnd && tracker_.containsDevice(device))
        batch(device, [this, device] { tracker_.cancelDevice(device); });
}

void View::mouseButtonDown(QMouseEvent* event)
{
    if (tracker_.contains(mouseFinger()) && !batch(&kMouse, [this] { tracker_.cancel(mouseFinger()); }))
        return;
    batch(&kMouse, [this, event] { tracker_.press(mouseFinger(), point(event->position())); });
}

void View::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!isFromTouch(*event))
        mouseButtonDown(event);
}

void View::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Qt sends the second press of a double click either as this event
    // alone or as a press followed by this event; taps are counted here.
    if (!isFromTouch(*event) && !tracker_.contains(mouseFinger()))
        mouseButtonDown(event);
}

void View::mouseMoveEvent(QMouseEvent* event)
{
    if (isFromTouch(*event) || !tracker_.contains(mouseFinger())) {
        event->ignore();
        return;
    }
    batch(&kMouse, [this, event] { tracker_.move(mouseFinger(), point(event->position())); });
}

void View::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!isFromTouch(*event) && tracker_.contains(mouseFinger()))
        batch(&kMouse, [this, event] { tracker_.release(mouseFinger(), point(event->position())); });
}

void View::wheelEvent(QWheelEvent* event)
{
    const QPoint eighths = event->angleDelta();
    const CGSize degrees { eighths.x() / 8.0f, eighths.y() / 8.0f };
    event->setAccepted(wheelTurned(point(event->position()), degrees));
}

void View::keyPressEvent(QKeyEvent* event)
{
    if (!keyPressed(event->key()))
        QWidget::keyPressEvent(event);
}

} // namespace platform
