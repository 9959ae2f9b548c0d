#pragma once

#include "DrawingLayer.h"
#include "Image.h"
#include "View.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

// A push button with a title per control state. The game's buttons are
// shown disabled, as score boards; enabled ones call their action when
// tapped. The button is drawn by buttonLayer(), centred in the frame at
// 1/1.3 of its size, so that a pulse of up to 130 % stays inside the frame.
// Main thread only.
class Button : public View {
public:
    // Control states; a button is in one of them at a time here.
    enum State : unsigned { Normal = 0, Highlighted = 1, Disabled = 2, Selected = 4 };

    explicit Button(CGRect frame = CGRectZero, QWidget* parent = nullptr);

    // The title for `state`; a state without a title of its own shows the
    // normal one.
    std::string titleForState(unsigned state) const;
    void setTitleForState(std::string title, unsigned state);
    // The title shown now.
    std::string currentTitle() const;
    unsigned state() const;

    // A picture shown left of the title (null for none).
    const Image& image() const { return image_; }
    void setImage(Image image);

    // Called when the button is tapped while enabled.
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    // The layer that shows the button: animate this one.
    Layer& buttonLayer() const { return *buttonLayer_; }

    void touchesBegan(const std::vector<Touch*>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch*>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch*>& touches, const Event& event) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();
    void setHighlighted(bool highlighted);

    std::shared_ptr<DrawingLayer> buttonLayer_;
    std::map<unsigned, std::string> titles_;
    Image image_;
    std::function<void()> action_;
    bool highlighted_ = false;
};

} // namespace platform
