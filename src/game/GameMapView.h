#pragma once

#include "View.h"

namespace game {

// The game screen's view. It draws nothing of its own: the map, the two
// buttons, the temperature bar and the indicators are its subviews.
class GameMapView : public platform::View {
public:
    using platform::View::View;
};

} // namespace game
