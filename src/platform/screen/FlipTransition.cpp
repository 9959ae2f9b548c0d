#include "FlipTransition.h"

#include "Clock.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kFrameInterval = 1.0 / 60;
const char* const kOverlayName = "platform.flip";

// Covers the flipping view and draws the turning picture.
class FlipOverlay : public View {
public:
    FlipOverlay(
        View& host, QPixmap before, QPixmap after, FlipTransition::Direction direction, double duration)
        : View(host.bounds(), &host)
        , picture_(std::make_shared<DrawingLayer>())
        , before_(std::move(before))
        , after_(std::move(after))
        , sign_(direction == FlipTransition::Direction::FromRight ? -1 : 1)
        , start_(Clock::current().now())
        , duration_(std::max(duration, kFrameInterval))
    {
        setObjectName(kOverlayName);
        picture_->setAnchorPoint(CGPointZero);
        picture_->setBounds(bounds());
        picture_->setDrawer([this](QPainter& painter, CGRect bounds) { draw(painter, bounds); });
        layer().addSublayer(picture_);
        show();
        raise();
        timer_ = Timer::scheduledTimer(kFrameInterval, true, [this] { step(); });
    }

private:
    double progress() const { return std::clamp((Clock::current().now() - start_) / duration_, 0.0, 1.0); }

    void step()
    {
        if (progress() < 1) {
            picture_->setNeedsDisplay();
            return;
        }
        timer_.invalidate();
        hide();
        deleteLater();
    }

    void draw(QPainter& painter, CGRect bounds) const
    {
        painter.fillRect(QRectF(0, 0, bounds.size.width, bounds.size.height), Qt::black);
        // The first half turns the old look away, the second the new one in.
        const double turned = progress() * 180;
        const bool firstHalf = turned < 90;
        const QPixmap& shown = firstHalf ? before_ : after_;
        const double angle = sign_ * (firstHalf ? turned : turned - 180);
        const double middle = bounds.size.width / 2;
        QTransform turn;
        turn.translate(middle, 0);
        turn.rotate(angle, Qt::YAxis);
        turn.translate(-middle, 0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setTransform(turn, true);
        painter.drawPixmap(QRectF(0, 0, bounds.size.width, bounds.size.height), shown, shown.rect());
    }

    std::shared_ptr<DrawingLayer> picture_;
    QPixmap before_;
    QPixmap after_;
    int sign_;
    double start_;
    double duration_;
    Timer timer_;
};

// A flip still running gives way to the new one.
QPixmap lookWithoutFlip(View& view)
{
    delete view.findChild<QWidget*>(kOverlayName, Qt::FindDirectChildrenOnly);
    return view.grab();
}

} // namespace

FlipTransition::FlipTransition(View& view, Direction direction, double duration)
    : view_(&view)
    , direction_(direction)
    , duration_(duration)
    , before_(lookWithoutFlip(view))
{ }

FlipTransition::~FlipTransition() = default;

void FlipTransition::commit()
{
    if (!view_)
        return;
    new FlipOverlay(*view_, before_, view_->grab(), direction_, duration_);
}

bool FlipTransition::isFlipping(const View& view)
{
    const auto* overlay = view.findChild<QWidget*>(kOverlayName, Qt::FindDirectChildrenOnly);
    return overlay && overlay->isVisibleTo(&view);
}

} // namespace platform
