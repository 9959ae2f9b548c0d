#include "Font.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace platform {

Font Font::systemFontOfSize(float pointSize)
{
    const int pixels = std::clamp(static_cast<int>(std::lround(pointSize)), 1, 1000);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixels);
    return Font(std::make_shared<const QFont>(font), static_cast<float>(pixels));
}

Font Font::boldSystemFontOfSize(float pointSize)
{
    const Font plain = systemFontOfSize(pointSize);
    QFont font = *plain.font_;
    font.setBold(true);
    return Font(std::make_shared<const QFont>(font), plain.pointSize_);
}

float Font::lineHeight() const
{
    return static_cast<float>(std::ceil(QFontMetricsF(*font_).height()));
}

bool operator==(const Font& a, const Font& b)
{
    return a.font_ == b.font_ || *a.font_ == *b.font_;
}

CGSize sizeWithFont(std::string_view text, const Font& font)
{
    QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QFontMetricsF metrics(font.qfont());
    return CGSize { static_cast<float>(std::ceil(metrics.horizontalAdvance(line))),
        static_cast<float>(std::ceil(metrics.height())) };
}

} // namespace platform
