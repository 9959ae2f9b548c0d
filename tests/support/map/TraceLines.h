#pragma once

#include "CGGeometry.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace vantry::test {

// Matches "<operation> logged method call: -[<receiver> <operation>] (line N)"
// for any line number N.
testing::Matcher<const std::string&> IsMethodTrace(std::string operation, std::string receiver);
// Whether `line` is such a trace line.
bool isTraceLine(const std::string& line, const std::string& operation, const std::string& receiver);

// The exact trace line of a map view operation ("MapView at ..." receiver)
// with the source line it names.
std::string viewTraceLine(const std::string& operation, const std::string& receiver, int line);
// The lines of a map view's construction (initWithFrame:, then its setup)
// at `frame`.
std::vector<std::string> viewConstructionLines(CGRect frame);

// The lines without those the tile caches write as they are set up and
// torn down ("initializing memory cache …", "Opening database at …", the
// caches' own trace lines).
std::vector<std::string> withoutCacheLifecycle(std::vector<std::string> lines);

} // namespace vantry::test
