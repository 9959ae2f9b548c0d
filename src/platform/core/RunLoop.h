#pragma once

#include <functional>

namespace platform {

// The main thread's event loop, for command-line tools and tests that wait
// for network answers. Everything else runs as callbacks of the loop.
class RunLoop {
public:
    // Runs the loop until `done` holds or `timeoutSeconds` of real time have
    // passed; returns `done()`. Timers of an installed test clock do not run
    // unless that clock is advanced.
    static bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
    // Handles the events that are waiting, without waiting for more.
    static void runPendingEvents();
};

} // namespace platform
