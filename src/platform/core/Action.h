#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The implicit animation a layer would run when the property `key` changes.
// Layers here never animate implicitly; the lookup (Layer::actionForKey)
// still answers what would run, so code that switches actions off can be
// checked.
class Action {
public:
    explicit Action(std::string key)
        : key_(std::move(key))
    { }
    const std::string& key() const { return key_; }

    // The platform's default action for a property.
    static std::shared_ptr<const Action> defaultActionForKey(std::string_view key);

private:
    std::string key_;
};

// Action keys for a layer entering and leaving the layer tree.
inline constexpr std::string_view kCAOnOrderIn = "onOrderIn";
inline constexpr std::string_view kCAOnOrderOut = "onOrderOut";

} // namespace platform
