#pragma once

#include <QEvent>
#include <QEventPoint>
#include <QMap>
#include <QPoint>
#include <QPointF>
#include <Qt>

#include <vector>

class QPointingDevice;
class QWidget;

namespace vantry::test {

class ManualClock;

// Plays scripted input to a widget without a display: touch-screen fingers
// through Qt's own touch delivery (as a touch screen driver would), and the
// mouse, wheel and keys as the events Qt hands a widget. Positions are in
// the widget's coordinates. The widget must be shown (offscreen is fine).
//
//     script.press(0, {10, 10}).send();
//     script.wait(0.05);
//     script.move(0, {30, 10}).press(1, {80, 80}).send();
class TouchScript {
public:
    // `clock`, if given, is the clock wait() advances.
    explicit TouchScript(QWidget& widget, ManualClock* clock = nullptr);
    TouchScript(const TouchScript&) = delete;
    TouchScript& operator=(const TouchScript&) = delete;

    // The touch screen the fingers are on (one for the whole test program).
    static QPointingDevice* touchScreen();

    // --- Touch screen: change fingers, then send() them as one event in
    // which every other finger on the screen rests.
    TouchScript& press(int finger, QPointF at);
    TouchScript& move(int finger, QPointF at);
    // Lifts the finger where it is, or at `at`.
    TouchScript& release(int finger);
    TouchScript& release(int finger, QPointF at);
    void send();
    // The touch screen gives up the sequence: every finger is gone.
    void cancel();
    // One touch event handed straight to the widget, past Qt's checks, as a
    // faulty driver might deliver it, from `device` (null: the touch
    // screen). The script's fingers do not change.
    struct Point {
        int finger;
        QEventPoint::State state;
        QPointF at;
    };
    void sendTouchEvent(
        QEvent::Type type, const std::vector<Point>& points, const QPointingDevice* device = nullptr);
    // One finger down and up at `at`, in two events.
    void tap(QPointF at, int finger = 0);

    // --- Mouse, left button unless told otherwise.
    void mousePress(QPointF at, Qt::MouseButton button = Qt::LeftButton);
    void mouseMove(QPointF at);
    void mouseRelease(QPointF at, Qt::MouseButton button = Qt::LeftButton);
    // The second press of a double click as Qt sends it: a double-click
    // event in place of the press (follow it with mouseRelease).
    void mouseDoubleClick(QPointF at);
    void mouseClick(QPointF at);
    // Any mouse event, as made up by `source` on `device` (null: the mouse),
    // e.g. the mouse events Qt or the window system make up from touches.
    void sendMouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseEventSource source,
        const QPointingDevice* device = nullptr);

    // --- Wheel (eighths of a degree; a notch is 120) and keys. Each
    // returns whether the widget accepted the event.
    bool wheel(QPointF at, QPoint angleDelta);
    bool keyPress(int key);

    // Moves the clock given at construction.
    void wait(double seconds);

private:
    struct Finger {
        QPointF at;
        QEventPoint::State change;
    };

    QWidget& widget_;
    ManualClock* clock_;
    QMap<int, Finger> fingers_;
    Qt::MouseButtons buttons_;
};

} // namespace vantry::test
