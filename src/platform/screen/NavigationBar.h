#pragma once

#include "Button.h"
#include "View.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A button of a navigation bar: a title and what a tap does.
class BarButtonItem {
public:
    enum class Style { Plain = 0, Bordered = 1, Done = 2 };

    BarButtonItem(std::string title, Style style, std::function<void()> action);

    const std::string& title() const { return title_; }
    Style style() const { return style_; }
    // Does what a tap on the button does.
    void trigger() const;

private:
    std::string title_;
    Style style_;
    std::function<void()> action_;
};

// What a navigation bar shows for one screen: a title and a button on the
// left.
class NavigationItem {
public:
    explicit NavigationItem(std::string title);

    const std::string& title() const { return title_; }
    const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return leftBarButtonItem_; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { leftBarButtonItem_ = std::move(item); }

private:
    std::string title_;
    std::shared_ptr<BarButtonItem> leftBarButtonItem_;
};

// The bar across the top of a screen: the top item's title in the middle
// and its left button. Main thread only.
class NavigationBar : public View {
public:
    enum class Style { Default = 0, Black = 1 };

    explicit NavigationBar(CGRect frame = CGRectZero, QWidget* parent = nullptr);

    Style barStyle() const { return barStyle_; }
    void setBarStyle(Style style);

    // Shows `item` on top of the earlier ones; `animated` is accepted, the
    // bar changes at once.
    void pushNavigationItemAnimated(std::shared_ptr<NavigationItem> item, bool animated);
    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }
    // The button showing the top item's left button, or null.
    Button* leftButton() const { return leftButton_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showTopItem();

    std::shared_ptr<DrawingLayer> background_;
    Style barStyle_ = Style::Default;
    std::vector<std::shared_ptr<NavigationItem>> items_;
    Button* leftButton_ = nullptr;
};

} // namespace platform
