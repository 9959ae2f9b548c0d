#include "Touch.h"

#include "View.h"

#include <QPointF>

namespace platform {

Touch::Touch(View* view, CGPoint location, int tapCount, double time)
    : view_(view)
    , start_(location)
    , location_(location)
    , previousLocation_(location)
    , tapCount_(tapCount)
    , timestamp_(time)
{ }

CGPoint Touch::locationInView(const View* view) const
{
    return convert(location_, view);
}

CGPoint Touch::previousLocationInView(const View* view) const
{
    return convert(previousLocation_, view);
}

CGPoint Touch::convert(CGPoint point, const View* view) const
{
    if (view == view_ || !view_)
        return point;
    const QPointF global = view_->mapToGlobal(QPointF(point.x, point.y));
    const QPointF local = view ? view->mapFromGlobal(global) : view_->window()->mapFromGlobal(global);
    return CGPoint { static_cast<float>(local.x()), static_cast<float>(local.y()) };
}

} // namespace platform
