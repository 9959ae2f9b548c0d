#include "Label.h"

namespace platform {

Label::Label(CGRect frame)
    : layer_(std::make_shared<TextLayer>())
{
    // A view's layer has its origin at the top left of its frame.
    layer_->setAnchorPoint(CGPoint { 0, 0 });
    layer_->setBounds(CGRect { { 0, 0 }, frame.size });
    layer_->setPosition(frame.origin);
}

} // namespace platform
