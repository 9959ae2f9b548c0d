#include "NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed: observers may still unregister during static
    // destruction.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(
    const void* observer, std::string_view name, const void* object, Handler handler)
{
    if (!handler)
        return;
    auto found = names_.find(name);
    if (found == names_.end()) {
        auto entry = std::make_unique<NameEntry>();
        entry->name = std::string(name);
        found = names_.emplace(entry->name, std::move(entry)).first;
    }
    NameEntry* entry = found->second.get();
    auto registration = std::make_unique<Registration>(
        Registration { nextSequence_++, observer, object, std::move(handler), entry });
    byObserver_[observer].push_back(registration.get());
    entry->byObject[object].push_back(std::move(registration));
    ++count_;
}

void NotificationCenter::removeObserver(const void* observer)
{
    const auto found = byObserver_.find(observer);
    if (found == byObserver_.end())
        return;
    for (Registration* registration : found->second)
        deactivate(*registration);
    byObserver_.erase(found);
    if (postDepth_ == 0)
        compact();
}

void NotificationCenter::removeObserver(const void* observer, std::string_view name, const void* object)
{
    const auto found = byObserver_.find(observer);
    if (found == byObserver_.end())
        return;
    std::erase_if(found->second, [&](Registration* registration) {
        if (registration->entry->name != name || (object && registration->object != object))
            return false;
        deactivate(*registration);
        return true;
    });
    if (found->second.empty())
        byObserver_.erase(found);
    if (postDepth_ == 0)
        compact();
}

void NotificationCenter::deactivate(Registration& registration)
{
    registration.active = false;
    dirty_.emplace_back(registration.entry, registration.object);
    --count_;
}

void NotificationCenter::compact()
{
    for (const auto& [entry, object] : dirty_) {
        const auto bucket = entry->byObject.find(object);
        if (bucket == entry->byObject.end())
            continue;
        std::erase_if(bucket->second, [](const auto& registration) { return !registration->active; });
        if (bucket->second.empty())
            entry->byObject.erase(bucket);
    }
    dirty_.clear();
}

void NotificationCenter::endPost()
{
    if (--postDepth_ == 0 && !dirty_.empty())
        compact();
}

void NotificationCenter::postNotification(std::string_view name, const void* object, const UserInfo& userInfo)
{
    const auto found = names_.find(name);
    if (found == names_.end())
        return;
    NameEntry& entry = *found->second;
    const auto bucketOf = [&entry](const void* key) -> const Bucket* {
        const auto bucket = entry.byObject.find(key);
        return bucket == entry.byObject.end() ? nullptr : &bucket->second;
    };
    // Buckets are not freed while a post runs, and registrations appended
    // by handlers lie beyond the lengths taken here.
    const Bucket* forObject = object ? bucketOf(object) : nullptr;
    const Bucket* forAny = bucketOf(nullptr);
    const std::size_t objectCount = forObject ? forObject->size() : 0;
    const std::size_t anyCount = forAny ? forAny->size() : 0;
    if (objectCount == 0 && anyCount == 0)
        return;

    struct PostScope {
        NotificationCenter& center;
        explicit PostScope(NotificationCenter& c)
            : center(c)
        {
            ++center.postDepth_;
        }
        ~PostScope() { center.endPost(); }
    } scope(*this);

    const Notification notification(entry.name, object, userInfo);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < objectCount || j < anyCount) {
        Registration* next;
        if (j >= anyCount || (i < objectCount && (*forObject)[i]->sequence < (*forAny)[j]->sequence))
            next = (*forObject)[i++].get();
        else
            next = (*forAny)[j++].get();
        if (next->active)
            next->handler(notification);
    }
}

void postMemoryWarning()
{
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidReceiveMemoryWarningNotification);
}

} // namespace platform
