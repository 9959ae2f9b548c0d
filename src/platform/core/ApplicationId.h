#pragma once

#include <string_view>

namespace platform {

// The name the desktop knows the game by, in reverse-DNS form on our own
// domain: the desktop file is kApplicationId + ".desktop", and the same id
// names the AppStream component, the icon, the Wayland window and the client
// the positioning service asks the user about. The files in dist/ carry it
// too; DesktopFilesTest keeps them in step.
inline constexpr std::string_view kApplicationId = "app.vantry.Vantry";
inline constexpr std::string_view kDesktopFileName = "app.vantry.Vantry.desktop";

static_assert(kDesktopFileName.starts_with(kApplicationId)
    && kDesktopFileName.substr(kApplicationId.size()) == ".desktop");

} // namespace platform
