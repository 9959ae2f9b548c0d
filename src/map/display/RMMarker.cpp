#include "RMMarker.h"

#include "Label.h"
#include "RMPixel.h"

RMMarker::RMMarker() = default;

RMMarker::RMMarker(const platform::Image& image)
    : RMMarker(image, CGPointMake(0.5f, 0.5f))
{ }

RMMarker::RMMarker(const platform::Image& image, CGPoint anchorPoint)
{
    replaceUIImageAnchorPoint(image, anchorPoint);
}

RMMarker::~RMMarker()
{
    setLabel(nullptr);
}

platform::Font RMMarker::defaultFont()
{
    return platform::Font::systemFontOfSize(15);
}

void RMMarker::replaceUIImage(const platform::Image& image)
{
    replaceUIImageAnchorPoint(image, CGPointMake(0.5f, 0.5f));
}

void RMMarker::replaceUIImageAnchorPoint(const platform::Image& image, CGPoint anchorPoint)
{
    setContents(image);
    setBounds(CGRectMake(0, 0, image.size().width, image.size().height));
    setAnchorPoint(anchorPoint);
    setMasksToBounds(false);
}

void RMMarker::setLabel(std::shared_ptr<platform::Label> label)
{
    if (label == labelView_)
        return;
    if (labelView_) {
        labelView_->layer()->removeFromSuperlayer();
        labelView_.reset();
    }
    if (!label)
        return;
    labelView_ = std::move(label);
    addSublayer(labelView_->layer());
}

void RMMarker::changeLabelUsingText(const std::string& text)
{
    const platform::Font font = defaultFont();
    changeLabelUsingTextPositionFontForegroundColorBackgroundColor(
        text, centredLabelPosition(text, font), font, textForegroundColor_, textBackgroundColor_);
}

void RMMarker::changeLabelUsingTextPosition(const std::string& text, CGPoint position)
{
    changeLabelUsingTextPositionFontForegroundColorBackgroundColor(
        text, position, defaultFont(), textForegroundColor_, textBackgroundColor_);
}

void RMMarker::changeLabelUsingTextFontForegroundColorBackgroundColor(const std::string& text,
    const platform::Font& font, platform::Color foregroundColor, platform::Color backgroundColor)
{
    textForegroundColor_ = foregroundColor;
    textBackgroundColor_ = backgroundColor;
    changeLabelUsingTextPositionFontForegroundColorBackgroundColor(
        text, centredLabelPosition(text, font), font, foregroundColor, backgroundColor);
}

void RMMarker::changeLabelUsingTextPositionFontForegroundColorBackgroundColor(const std::string& text,
    CGPoint position, const platform::Font& font, platform::Color foregroundColor,
    platform::Color backgroundColor)
{
    const CGSize textSize = platform::sizeWithFont(text, font);
    auto label = std::make_shared<platform::Label>(
        CGRectMake(position.x, position.y, textSize.width + 4, textSize.height + 4));
    textForegroundColor_ = foregroundColor;
    textBackgroundColor_ = backgroundColor;
    label->setNumberOfLines(0);
    label->setAutoresizingMask(platform::kAutoresizingFlexibleWidth);
    label->setBackgroundColor(backgroundColor);
    label->setTextColor(foregroundColor);
    label->setFont(font);
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setText(text);
    setLabel(std::move(label));
}

CGPoint RMMarker::centredLabelPosition(const std::string& text, const platform::Font& font) const
{
    const float textWidth = platform::sizeWithFont(text, font).width;
    return CGPointMake(0.5f * bounds().size.width - 0.5f * textWidth, 4);
}

void RMMarker::showLabel()
{
    if (!labelView_ || !labelView_->isHidden())
        return;
    addSublayer(labelView_->layer());
    labelView_->setHidden(false);
}

void RMMarker::hideLabel()
{
    if (!labelView_ || labelView_->isHidden())
        return;
    labelView_->layer()->removeFromSuperlayer();
    labelView_->setHidden(true);
}

void RMMarker::toggleLabel()
{
    if (!labelView_)
        return;
    if (labelView_->isHidden())
        showLabel();
    else
        hideLabel();
}

void RMMarker::zoomByFactorNear(float factor, CGPoint pivot)
{
    setPosition(RMScaleCGPointAboutPoint(position(), factor, pivot));
}
