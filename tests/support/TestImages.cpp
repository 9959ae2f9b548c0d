#include "TestImages.h"

namespace vantry::test {

QImage makeSolidImage(int width, int height, const QColor& color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace vantry::test
