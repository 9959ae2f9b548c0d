#pragma once

// GoogleTest printers for the map engine's value types, so that failures
// show coordinates rather than bytes.

#include "CGGeometry.h"
#include "RMFoundation.h"
#include "RMLatLong.h"
#include "RMTile.h"

#include <iomanip>
#include <ostream>

inline void PrintTo(const RMProjectedPoint& point, std::ostream* os)
{
    *os << std::setprecision(17) << "(" << point.easting << ", " << point.northing << ")";
}

inline void PrintTo(const RMProjectedSize& size, std::ostream* os)
{
    *os << std::setprecision(17) << "(" << size.width << " x " << size.height << ")";
}

inline void PrintTo(const RMProjectedRect& rect, std::ostream* os)
{
    PrintTo(rect.origin, os);
    *os << " ";
    PrintTo(rect.size, os);
}

inline void PrintTo(const RMLatLong& latLong, std::ostream* os)
{
    *os << std::setprecision(17) << "(lat " << latLong.latitude << ", lon " << latLong.longitude << ")";
}

inline void PrintTo(const RMTile& tile, std::ostream* os)
{
    *os << "tile(" << tile.x << ", " << tile.y << ", zoom " << tile.zoom << ")";
}

namespace platform {

inline void PrintTo(const CGPoint& point, std::ostream* os)
{
    *os << std::setprecision(9) << "(" << point.x << ", " << point.y << ")";
}

inline void PrintTo(const CGSize& size, std::ostream* os)
{
    *os << std::setprecision(9) << "(" << size.width << " x " << size.height << ")";
}

inline void PrintTo(const CGRect& rect, std::ostream* os)
{
    PrintTo(rect.origin, os);
    *os << " ";
    PrintTo(rect.size, os);
}

} // namespace platform
