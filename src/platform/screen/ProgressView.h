#pragma once

#include "CGGeometry.h"
#include "View.h"

#include <memory>

class QPainter;
class QResizeEvent;

namespace platform {

// The platform's progress bar: a value from 0 to 1 shown as a track with a
// filled part from the left. Subclasses draw their own bar by overriding
// drawRect, which is called with the view's bounds whenever the view paints
// (through a layer of the view's tree, so it composes with the other layers
// and animations). Main thread only.
class ProgressView : public View {
public:
    enum class Style { Default = 0, Bar = 1 };

    explicit ProgressView(CGRect frame = CGRectZero, QWidget* parent = nullptr);
    ~ProgressView() override;

    // 0 to 1; 0 at first. Values outside are clamped, a value that is not a
    // number counts as 0; a change redraws the bar.
    float progress() const { return progress_; }
    void setProgress(float progress);

    // Default at first; a change redraws the bar.
    Style progressViewStyle() const { return style_; }
    void setProgressViewStyle(Style style);

    void setFrame(CGRect frame) override;

    // Draws the bar into `rect` (view coordinates, normally the bounds).
    // The painter's state (clip, pen, brush, transform) may be changed
    // freely: the caller saves and restores it around the call.
    virtual void drawRect(QPainter& painter, CGRect rect) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class BarLayer;

    void followBounds();

    std::shared_ptr<BarLayer> barLayer_;
    float progress_ = 0;
    Style style_ = Style::Default;
};

} // namespace platform
