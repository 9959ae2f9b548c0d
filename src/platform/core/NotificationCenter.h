#pragma once

#include "Notification.h"
#include "UserInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// The platform's notification that memory runs low; the map's caches drop
// what they can when it arrives.
inline constexpr std::string_view UIApplicationDidReceiveMemoryWarningNotification
    = "UIApplicationDidReceiveMemoryWarningNotification";

// Named notifications, delivered synchronously on the posting thread to the
// observers registered for the name and either the posting object or any
// object. Observers are identified by a pointer (usually `this`) and are not
// owned: an observer removes its registrations before it dies.
//
// Delivery is safe against changes made by handlers: an observer removed
// during a post is not called afterwards in that post, one added during a
// post is called only from the next post on, and handlers may post. Within
// a post, observers are called in the order they registered.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The centre the whole program shares.
    static NotificationCenter& defaultCenter();

    // Calls `handler` for each notification named `name` whose object is
    // `object`; a null `object` means notifications from any object. An
    // observer registered twice is called twice. A null handler is ignored.
    void addObserver(const void* observer, std::string_view name, const void* object, Handler handler);
    // Removes every registration of the observer.
    void removeObserver(const void* observer);
    // Removes the observer's registrations for `name` with the object
    // `object`, or with any object when `object` is null.
    void removeObserver(const void* observer, std::string_view name, const void* object = nullptr);

    // Delivers to the observers of `name` registered for `object` and for any
    // object. A post with a null object reaches only observers of any object.
    void postNotification(std::string_view name, const void* object = nullptr, const UserInfo& userInfo = {});

    // The number of registrations in force.
    std::size_t observationCount() const { return count_; }

private:
    struct NameEntry;
    struct Registration {
        std::uint64_t sequence;
        const void* observer;
        const void* object;
        Handler handler;
        NameEntry* entry;
        bool active = true;
    };
    using Bucket = std::vector<std::unique_ptr<Registration>>;
    struct NameEntry {
        std::string name;
        std::unordered_map<const void*, Bucket> byObject;
    };
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view> {}(name); }
    };

    void deactivate(Registration& registration);
    void compact();
    void endPost();

    std::unordered_map<std::string, std::unique_ptr<NameEntry>, NameHash, std::equal_to<>> names_;
    std::unordered_map<const void*, std::vector<Registration*>> byObserver_;
    // Buckets holding deactivated registrations, freed when no post runs.
    std::vector<std::pair<NameEntry*, const void*>> dirty_;
    std::uint64_t nextSequence_ = 0;
    std::size_t count_ = 0;
    int postDepth_ = 0;
};

// Posts UIApplicationDidReceiveMemoryWarningNotification on the default
// centre, as the platform does when memory runs low.
void postMemoryWarning();

} // namespace platform
