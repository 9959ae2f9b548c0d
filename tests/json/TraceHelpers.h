#pragma once

#include "ZQJsonBase.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace vantry::test {

// An error trace as (code, description) pairs, first cause first; empty when there is no trace.
using Trace = std::vector<std::pair<unsigned, std::string>>;

inline Trace traceOf(const json::ZQJsonBase& codec)
{
    Trace trace;
    if (const json::ZQJsonErrorTrace* errors = codec.errorTrace()) {
        for (const auto& error : *errors)
            trace.emplace_back(error->code(), error->localizedDescription());
    }
    return trace;
}

} // namespace vantry::test
