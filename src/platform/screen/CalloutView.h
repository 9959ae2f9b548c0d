#pragma once

#include "DrawingLayer.h"
#include "Timer.h"
#include "View.h"

#include <memory>
#include <string>

namespace platform {

// A speech bubble with a one-line title, pointing with its tip at a point
// of its superview and kept inside a boundary rectangle there: the bubble
// sits above the point where there is room, its tip below it towards the
// point. Touches pass through it. Main thread only.
class CalloutView : public View {
public:
    explicit CalloutView(CGRect frame = CGRectZero, QWidget* parent = nullptr);

    const std::string& title() const { return title_; }
    void setTitle(std::string title);

    // How the title sits in the bubble; 0 centres it (the only alignment
    // drawn here).
    void setContentVerticalAlignment(int alignment) { verticalAlignment_ = alignment; }
    void setContentHorizontalAlignment(int alignment) { horizontalAlignment_ = alignment; }

    // Points the bubble at `anchor`, inside `boundary` (both in the
    // superview's coordinates): above the anchor, or below it pointing up
    // where there is no room above. `animate` is accepted; the bubble moves
    // at once.
    void setAnchorPointBoundaryRectAnimate(CGPoint anchor, CGRect boundary, bool animate);
    // Where the tip points, in the superview's coordinates.
    CGPoint anchor() const { return anchor_; }

    // Fades the bubble out over `seconds` of Clock time; then it is hidden
    // and deleted.
    void fadeOutWithDuration(double seconds);
    bool isFadingOut() const { return fadeTimer_.isValid(); }

private:
    void layOut();

    std::shared_ptr<DrawingLayer> bubble_;
    std::string title_;
    int verticalAlignment_ = 0;
    int horizontalAlignment_ = 0;
    CGPoint anchor_;
    CGRect boundary_;
    // Where the tip's point lies along the bubble's bottom edge.
    float tipX_ = 0;
    bool pointsUp_ = false;
    Timer fadeTimer_;
    double fadeStart_ = 0;
    double fadeDuration_ = 0;
};

} // namespace platform
