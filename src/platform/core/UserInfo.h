#pragma once

#include "Data.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

// The user information of a notification: a few named values. Small and
// cheap to build (a tile image posts one entry with its encoded bytes, which
// are shared, not copied).
class UserInfo {
public:
    using Value = std::variant<Data, std::string, std::int64_t, double, bool>;

    UserInfo() = default;
    UserInfo(std::initializer_list<std::pair<std::string, Value>> entries);

    // Adds the entry, or replaces the value of an existing key.
    void set(std::string key, Value value);
    // The value under `key`, or null.
    const Value* find(std::string_view key) const;
    // The value under `key` if it has type T, else null.
    template<typename T> const T* get(std::string_view key) const
    {
        const Value* value = find(key);
        return value ? std::get_if<T>(value) : nullptr;
    }

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

private:
    std::vector<std::pair<std::string, Value>> entries_;
};

} // namespace platform
