#pragma once

#include <string>

namespace platform {

// The user's standard folders. Each call reads the environment again and
// creates the folder, owner-only (0700), when it is missing; a folder that
// cannot be created is logged and its path still returned, so the caller's
// own file operation fails and reports.
class Directories {
public:
    // $XDG_DATA_HOME/vantry, by default ~/.local/share/vantry.
    static std::string documents();
    // $XDG_CACHE_HOME/vantry, by default ~/.cache/vantry.
    static std::string caches();
    // A folder of this user's own below the system's temporary folder
    // ($TMPDIR, else /tmp): files put there by name cannot be prepared in
    // advance by another user.
    static std::string temporary();
};

} // namespace platform
