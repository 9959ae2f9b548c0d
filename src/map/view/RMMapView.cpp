#include "RMMapView.h"

#include "RMMapContents.h"
#include "RMTrace.h"

#include <fmt/format.h>

RMMapView::RMMapView(CGRect frame, QWidget* parent)
    : platform::View(frame, parent)
{ }

RMMapView::~RMMapView()
{
    RM_LOG_METHOD_CALL("dealloc", description());
    setContents(nullptr);
}

RMMapContents& RMMapView::contents()
{
    if (!contents_)
        setContents(RMMapContents::createForView(this));
    return *contents_;
}

void RMMapView::setContents(std::shared_ptr<RMMapContents> contents)
{
    if (contents == contents_)
        return;
    // The old contents go only after the field no longer names them.
    const std::shared_ptr<RMMapContents> old = std::move(contents_);
    contents_ = std::move(contents);
}

RMMarkerManager& RMMapView::markerManager()
{
    return contents().markerManager();
}

void RMMapView::setFrame(CGRect frame)
{
    const CGRect old = this->frame();
    platform::View::setFrame(frame);
    const CGRect now = this->frame();
    if (!CGRectEqualToRect(old, now) && contents_)
        contents_->setFrame(now);
}

void RMMapView::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    contents().didReceiveMemoryWarning();
}

std::string RMMapView::description() const
{
    const CGRect area = bounds();
    return fmt::format("MapView at {:.0f},{:.0f}-{:.0f},{:.0f}", area.origin.x, area.origin.y,
        area.size.width, area.size.height);
}
