#pragma once

#include <stdexcept>

namespace fmdb {

// A failed assertion of the access layer (a programming error, or a logged
// error on a connection set to crash on errors). what() is the exact text.
class FMAssertionFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

} // namespace fmdb
