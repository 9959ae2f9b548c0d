#include "UserInfo.h"

namespace platform {

UserInfo::UserInfo(std::initializer_list<std::pair<std::string, Value>> entries)
{
    for (const auto& [key, value] : entries)
        set(key, value);
}

void UserInfo::set(std::string key, Value value)
{
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

const UserInfo::Value* UserInfo::find(std::string_view key) const
{
    for (const auto& entry : entries_) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

} // namespace platform
