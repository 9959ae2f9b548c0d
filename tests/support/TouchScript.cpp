#include "TouchScript.h"

#include "ManualClock.h"

#include <QCoreApplication>
#include <QEventPoint>
#include <QKeyEvent>
#include <QList>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <QtGui/qtestsupport_gui.h>

#include <gtest/gtest.h>

namespace vantry::test {

TouchScript::TouchScript(QWidget& widget, ManualClock* clock)
    : widget_(widget)
    , clock_(clock)
{ }

QPointingDevice* TouchScript::touchScreen()
{
    static QPointingDevice* const device = QTest::createTouchDevice();
    return device;
}

TouchScript& TouchScript::press(int finger, QPointF at)
{
    fingers_[finger] = Finger { at, QEventPoint::Pressed };
    return *this;
}

TouchScript& TouchScript::move(int finger, QPointF at)
{
    EXPECT_TRUE(fingers_.contains(finger)) << "finger " << finger << " is not down";
    fingers_[finger] = Finger { at, QEventPoint::Updated };
    return *this;
}

TouchScript& TouchScript::release(int finger)
{
    return release(finger, fingers_.value(finger).at);
}

TouchScript& TouchScript::release(int finger, QPointF at)
{
    EXPECT_TRUE(fingers_.contains(finger)) << "finger " << finger << " is not down";
    fingers_[finger] = Finger { at, QEventPoint::Released };
    return *this;
}

void TouchScript::send()
{
    QWindow* window = widget_.window()->windowHandle();
    ASSERT_NE(window, nullptr) << "the widget must be shown";
    QList<QEventPoint> points;
    for (auto finger = fingers_.cbegin(); finger != fingers_.cend(); ++finger) {
        const QPointF inWindow = widget_.mapTo(widget_.window(), finger->at);
        points.append(QEventPoint(finger.key(), finger->change, inWindow, window->mapToGlobal(inWindow)));
    }
    qt_handleTouchEvent(window, touchScreen(), points);
    QCoreApplication::processEvents();
    for (auto finger = fingers_.begin(); finger != fingers_.end();) {
        if (finger->change == QEventPoint::Released) {
            finger = fingers_.erase(finger);
            continue;
        }
        finger->change = QEventPoint::Stationary;
        ++finger;
    }
}

void TouchScript::cancel()
{
    QTouchEvent event(QEvent::TouchCancel, touchScreen());
    QCoreApplication::sendEvent(&widget_, &event);
    fingers_.clear();
}

void TouchScript::sendTouchEvent(
    QEvent::Type type, const std::vector<Point>& points, const QPointingDevice* device)
{
    QList<QEventPoint> eventPoints;
    for (const Point& point : points)
        eventPoints.append(QEventPoint(point.finger, point.state, point.at, widget_.mapToGlobal(point.at)));
    QTouchEvent event(type, device ? device : touchScreen(), Qt::NoModifier, eventPoints);
    QCoreApplication::sendEvent(&widget_, &event);
}

void TouchScript::tap(QPointF at, int finger)
{
    press(finger, at).send();
    release(finger).send();
}

void TouchScript::sendMouse(QEvent::Type type, QPointF at, Qt::MouseButton button,
    Qt::MouseEventSource source, const QPointingDevice* device)
{
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        buttons_ |= button;
    else if (type == QEvent::MouseButtonRelease)
        buttons_ &= ~button;
    const QPointF inWindow = widget_.mapTo(widget_.window(), at);
    QMouseEvent event(type, at, inWindow, widget_.mapToGlobal(at),
        type == QEvent::MouseMove ? Qt::NoButton : button, buttons_, Qt::NoModifier, source,
        device ? device : QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(&widget_, &event);
}

void TouchScript::mousePress(QPointF at, Qt::MouseButton button)
{
    sendMouse(QEvent::MouseButtonPress, at, button, Qt::MouseEventNotSynthesized);
}

void TouchScript::mouseMove(QPointF at)
{
    sendMouse(QEvent::MouseMove, at, Qt::NoButton, Qt::MouseEventNotSynthesized);
}

void TouchScript::mouseRelease(QPointF at, Qt::MouseButton button)
{
    sendMouse(QEvent::MouseButtonRelease, at, button, Qt::MouseEventNotSynthesized);
}

void TouchScript::mouseDoubleClick(QPointF at)
{
    sendMouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::MouseEventNotSynthesized);
}

void TouchScript::mouseClick(QPointF at)
{
    mousePress(at);
    mouseRelease(at);
}

bool TouchScript::wheel(QPointF at, QPoint angleDelta)
{
    QWheelEvent event(at, widget_.mapToGlobal(at), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget_, &event);
    return event.isAccepted();
}

bool TouchScript::keyPress(int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget_, &event);
    return event.isAccepted();
}

void TouchScript::wait(double seconds)
{
    ASSERT_NE(clock_, nullptr) << "no clock to move";
    clock_->advance(seconds);
}

} // namespace vantry::test
