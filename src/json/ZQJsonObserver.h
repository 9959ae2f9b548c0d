#pragma once

#include <string_view>

namespace json {

class ZQJsonBase;

// Told before and after a codec object changes an observable property (the key "errorTrace").
// Observers are not owned: one must be removed from the object before it is destroyed.
class ZQJsonObserver {
public:
    virtual ~ZQJsonObserver() = default;
    virtual void willChangeValueForKey(const ZQJsonBase& object, std::string_view key) = 0;
    virtual void didChangeValueForKey(const ZQJsonBase& object, std::string_view key) = 0;
};

} // namespace json
