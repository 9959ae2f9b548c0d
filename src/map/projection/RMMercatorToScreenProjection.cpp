#include "RMMercatorToScreenProjection.h"

#include "RMProjection.h"

#include <cmath>
#include <utility>

RMMercatorToScreenProjection::RMMercatorToScreenProjection(
    std::shared_ptr<RMProjection> projection, CGRect screenBounds)
    : projection_(std::move(projection))
    , screenBounds_(screenBounds)
{ }

RMProjectedPoint RMMercatorToScreenProjection::wrapped(RMProjectedPoint point) const
{
    return projection_ ? projection_->wrapPointHorizontally(point) : point;
}

double RMMercatorToScreenProjection::planetWidth() const
{
    return projection_ ? projection_->planetBounds().size.width : 0;
}

CGPoint RMMercatorToScreenProjection::projectXYPointWithMetersPerPixel(
    RMProjectedPoint point, float metersPerPixel) const
{
    // Three copies of the world start at ox - w, ox and ox + w; the point is
    // drawn from the copy whose start lies nearest to the point shifted half
    // a planet west, i.e. the copy that puts it within one planet width east
    // of the screen's left edge. The comparison is made in float, and the
    // pixel is measured from the copy's start as a float.
    const float ox = static_cast<float>(origin_.easting);
    const float w = static_cast<float>(planetWidth());
    const float px = static_cast<float>(point.easting + -0.5f * w);
    const float left = std::fabs(px - (ox - w));
    const float middle = std::fabs(px - ox);
    const float right = std::fabs(px - (ox + w));

    float copyOrigin;
    if (middle <= left && middle <= right)
        copyOrigin = ox;
    else if (left <= middle && left <= right)
        copyOrigin = ox - w;
    else
        copyOrigin = ox + w;

    const double scale = metersPerPixel;
    const double height = screenBounds_.size.height;
    return { static_cast<float>((point.easting - copyOrigin) / scale),
        static_cast<float>(height - (point.northing - origin_.northing) / scale) };
}

CGPoint RMMercatorToScreenProjection::projectXYPoint(RMProjectedPoint point) const
{
    return projectXYPointWithMetersPerPixel(point, metersPerPixel_);
}

CGRect RMMercatorToScreenProjection::projectXYRect(RMProjectedRect rect) const
{
    const double scale = metersPerPixel_;
    return { projectXYPoint(rect.origin),
        { static_cast<float>(rect.size.width / scale), static_cast<float>(rect.size.height / scale) } };
}

RMProjectedPoint RMMercatorToScreenProjection::projectScreenPointToXYWithMetersPerPixel(
    CGPoint point, float metersPerPixel)
{
    const float height = screenBounds_.size.height;
    const RMProjectedPoint projected { origin_.easting + point.x * metersPerPixel,
        origin_.northing + (height - point.y) * metersPerPixel };
    origin_ = wrapped(origin_);
    return projected;
}

RMProjectedPoint RMMercatorToScreenProjection::projectScreenPointToXY(CGPoint point)
{
    return wrapped(projectScreenPointToXYWithMetersPerPixel(point, metersPerPixel_));
}

RMProjectedRect RMMercatorToScreenProjection::projectScreenRectToXY(CGRect rect)
{
    const RMProjectedPoint origin = projectScreenPointToXY(rect.origin);
    return { origin, { metersPerPixel_ * rect.size.width, metersPerPixel_ * rect.size.height } };
}

RMProjectedSize RMMercatorToScreenProjection::projectScreenSizeToXY(CGSize size) const
{
    return { metersPerPixel_ * size.width, metersPerPixel_ * -size.height };
}

RMProjectedPoint RMMercatorToScreenProjection::movePointBy(RMProjectedPoint point, CGSize delta) const
{
    const RMProjectedSize moved = projectScreenSizeToXY(delta);
    return wrapped({ point.easting + moved.width, point.northing + moved.height });
}

RMProjectedRect RMMercatorToScreenProjection::moveRectBy(RMProjectedRect rect, CGSize delta) const
{
    return { movePointBy(rect.origin, delta), rect.size };
}

RMProjectedPoint RMMercatorToScreenProjection::zoomPointByFactorNear(
    RMProjectedPoint point, float factor, CGPoint pivot)
{
    return wrapped(RMScaleProjectedPointAboutPoint(point, factor, projectScreenPointToXY(pivot)));
}

RMProjectedRect RMMercatorToScreenProjection::zoomRectByFactorNear(
    RMProjectedRect rect, float factor, CGPoint pivot)
{
    RMProjectedRect zoomed = RMScaleProjectedRectAboutPoint(rect, factor, projectScreenPointToXY(pivot));
    zoomed.origin = wrapped(zoomed.origin);
    return zoomed;
}

void RMMercatorToScreenProjection::moveScreenBy(CGSize delta)
{
    origin_ = movePointBy(origin_, { -delta.width, -delta.height });
}

void RMMercatorToScreenProjection::zoomScreenByFactorNear(float factor, CGPoint pivot)
{
    const float height = screenBounds_.size.height;
    // The origin moves to the pivot, the scale changes, and the origin moves
    // back from the pivot at the new scale.
    origin_.easting += pivot.x * metersPerPixel_;
    origin_.northing += (height - pivot.y) * metersPerPixel_;
    metersPerPixel_ = metersPerPixel_ / factor;
    origin_.easting -= pivot.x * metersPerPixel_;
    origin_.northing -= (height - pivot.y) * metersPerPixel_;
    origin_ = wrapped(origin_);
}

void RMMercatorToScreenProjection::zoomBy(float factor)
{
    metersPerPixel_ = factor * metersPerPixel_;
}

RMProjectedRect RMMercatorToScreenProjection::projectedBounds() const
{
    return { origin_,
        { metersPerPixel_ * screenBounds_.size.width, metersPerPixel_ * screenBounds_.size.height } };
}

void RMMercatorToScreenProjection::setProjectedBounds(RMProjectedRect rect)
{
    const float scaleX = static_cast<float>(rect.size.width / screenBounds_.size.width);
    const float scaleY = static_cast<float>(rect.size.height / screenBounds_.size.height);
    metersPerPixel_ = (scaleX + scaleY) * 0.5f;
    origin_ = wrapped(rect.origin);
}

RMProjectedPoint RMMercatorToScreenProjection::projectedCenter() const
{
    const float halfWidth = screenBounds_.size.width * metersPerPixel_ / 2;
    const float halfHeight = screenBounds_.size.height * metersPerPixel_ / 2;
    return wrapped({ origin_.easting + halfWidth, origin_.northing + halfHeight });
}

void RMMercatorToScreenProjection::setProjectedCenter(RMProjectedPoint center)
{
    origin_ = wrapped(center);
    origin_.easting += screenBounds_.size.width * metersPerPixel_ * -0.5f;
    origin_.northing += screenBounds_.size.height * metersPerPixel_ * -0.5f;
}

void RMMercatorToScreenProjection::setMetersPerPixel(float metersPerPixel)
{
    const RMProjectedPoint center = projectedCenter();
    metersPerPixel_ = metersPerPixel;
    setProjectedCenter(center);
}
