#pragma once

#include "CGGeometry.h"
#include "Color.h"
#include "ProgressView.h"

#include <optional>

class QPainter;

namespace game {

// The temperature bar: a glossy progress bar whose filled part takes any
// colour. A white track with grey bands, the filled part in the tint colour
// with a dark border and a white gloss over its upper part. In the bar
// style it draws as the platform's progress bar.
class PDColoredProgressView : public platform::ProgressView {
public:
    using ProgressView::ProgressView;

    // The colour of the filled part; none at first, which draws (and from
    // then on holds) the default blue. Setting it does not redraw: the next
    // progress change does.
    std::optional<platform::Color> tintColor() const { return tintColor_; }
    void setTintColor(std::optional<platform::Color> color) { tintColor_ = color; }

    void drawRect(QPainter& painter, CGRect rect) const override;

private:
    // Drawing without a tint colour sets the default one.
    mutable std::optional<platform::Color> tintColor_;
};

} // namespace game
