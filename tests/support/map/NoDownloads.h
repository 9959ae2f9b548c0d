#pragma once

#include "RMMapContents.h"

namespace vantry::test {

// Switches the map's expensive operations off while it lives, so tile sources
// decode and download nothing (an OpenStreetMap source asks the network for
// nothing), and on again when it goes.
class NoDownloads {
public:
    NoDownloads() { RMMapContents::setPerformExpensiveOperations(false); }
    ~NoDownloads() { RMMapContents::setPerformExpensiveOperations(true); }
    NoDownloads(const NoDownloads&) = delete;
    NoDownloads& operator=(const NoDownloads&) = delete;
};

} // namespace vantry::test
