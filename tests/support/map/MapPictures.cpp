#include "MapPictures.h"

#include "Image.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMercatorToTileProjection.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "TestImages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantry::test {

int colourDistance(QRgb a, const QColor& b)
{
    return std::max(
        { std::abs(qRed(a) - b.red()), std::abs(qGreen(a) - b.green()), std::abs(qBlue(a) - b.blue()) });
}

int countGaps(const QImage& picture)
{
    int gaps = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            gaps += colourDistance(picture.pixel(x, y), kGapColour) == 0 ? 1 : 0;
    }
    return gaps;
}

std::shared_ptr<RMMarker> anchorMarker()
{
    QImage picture = makeSolidImage(21, 21, Qt::red);
    picture.setPixel(10, 10, kAnchorColour);
    return std::make_shared<RMMarker>(platform::Image::fromQImage(picture));
}

RMProjectedPoint tileCorner(const RMMercatorToTileProjection& grid, RMTile tile)
{
    const RMProjectedRect planet = grid.planetBounds();
    const double tiles = std::exp2(tile.zoom);
    return RMProjectedPoint { planet.origin.easting + planet.size.width / tiles * tile.x,
        planet.origin.northing + planet.size.height - planet.size.height / tiles * tile.y };
}

std::vector<TileCorner> tileCorners(
    const RMMapContents& contents, const std::function<CGPoint(RMProjectedPoint)>& pixelOf)
{
    std::vector<TileCorner> corners;
    for (const auto& image : contents.imagesOnScreen()->images()) {
        const CGPoint at = pixelOf(tileCorner(*contents.mercatorToTileProjection(), image->tile()));
        corners.push_back({ image, at, image->screenLocation().size.width / 4 });
    }
    return corners;
}

bool showsOwnColourInFirstCell(const QImage& picture, const TileCorner& corner)
{
    const RMTile tile = corner.image->tile();
    const QColor own = tileColor(tile.zoom, static_cast<int>(tile.x), static_cast<int>(tile.y));
    const QRgb pixel = picture.pixel(
        static_cast<int>(corner.at.x + corner.cell / 2), static_cast<int>(corner.at.y + corner.cell / 2));
    return colourDistance(pixel, own) <= 3;
}

} // namespace vantry::test
