#pragma once

#include "UserInfo.h"

#include <string_view>

namespace platform {

// One posted notification, as its observers see it. It lives only for the
// duration of the post: observers copy what they want to keep.
class Notification {
public:
    Notification(std::string_view name, const void* object, const UserInfo& userInfo)
        : name_(name)
        , object_(object)
        , userInfo_(&userInfo)
    { }

    std::string_view name() const { return name_; }
    // The sender's identity, or null.
    const void* object() const { return object_; }
    const UserInfo& userInfo() const { return *userInfo_; }

private:
    std::string_view name_;
    const void* object_;
    const UserInfo* userInfo_;
};

} // namespace platform
