#include "AlertView.h"
#include "Window.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The alert's box drawn over a window of one colour: what shows where the box is.
QImage alertOver(platform::Color background)
{
    platform::Window window;
    window.resize(320, 480);
    window.setBackgroundColor(background);
    window.makeKeyAndVisible();
    const auto alert = platform::AlertView::create("No Internet Connection",
        "Internet is required to play.\nPlease fix Your connection and return to the Vantry.", nullptr, "OK",
        {});
    alert->show();
    const QImage image = window.grab().toImage();
    alert->dismiss();
    // The middle of the box, with its text; the dimmed rest of the window lies around it.
    return image.copy(60, 200, 200, 80);
}

// Regression: map labels and grid lines showed through the warnings.
TEST(AlertViewTest, TheBoxHidesWhateverLiesUnderIt)
{
    const QImage overRed = alertOver({ 1, 0, 0, 1 });
    const QImage overBlue = alertOver({ 0, 0, 1, 1 });
    EXPECT_EQ(overRed, overBlue);
    int darkest = 255;
    for (int y = 0; y < overRed.height(); ++y) {
        for (int x = 0; x < overRed.width(); ++x)
            darkest = std::min(darkest, qGray(overRed.pixel(x, y)));
    }
    EXPECT_LT(darkest, 80) << "the box holds its text";
    EXPECT_GT(qGray(overRed.pixel(0, 0)), 200) << "on its own light background";
}

} // namespace
