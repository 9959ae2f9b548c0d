#pragma once

#include <string>
#include <string_view>

namespace platform {

// The application's read-only resources (pictures, configuration).
// Searched in order: the folder named by $VANTRY_RESOURCES, then
// ../share/vantry/resources next to the executable (an installed program),
// then the source tree's resources/ folder (a program run from its build
// tree).
class Bundle {
public:
    // The path of the resource `name`.`type` (just `name` when `type` is
    // empty), or an empty string when no folder has it.
    static std::string pathForResource(std::string_view name, std::string_view type);
    // The same in a subfolder of the resources (one plain folder name).
    static std::string pathForResource(
        std::string_view name, std::string_view type, std::string_view directory);
};

} // namespace platform
