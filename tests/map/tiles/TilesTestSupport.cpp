#include "TilesTestSupport.h"

#include "NotificationCenter.h"
#include "RMExpensiveOperations.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "ResponseCache.h"
#include "RunLoop.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <pwd.h>
#include <unistd.h>

namespace tiles::test {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

void restoreEnvironment(const char* name, const std::string& value)
{
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

const std::array<std::string_view, 8> kRecordedNames {
    RMMapImageLoadedNotification,
    RMMapImageLoadingCancelledNotification,
    RMTileRequested,
    RMTileRetrieved,
    RMResumeExpensiveOperations,
    RMSuspendExpensiveOperations,
    RMMapImageAddedToScreenNotification,
    RMMapImageRemovedFromScreenNotification,
};

} // namespace

ScratchHome::ScratchHome()
{
    previousDataHome_ = environment("XDG_DATA_HOME");
    previousCacheHome_ = environment("XDG_CACHE_HOME");
    setenv("XDG_DATA_HOME", file("data").c_str(), 1);
    setenv("XDG_CACHE_HOME", file("cache").c_str(), 1);
    previousResponseCache_ = platform::ResponseCache::shared().directory();
    platform::ResponseCache::shared().setDirectory(file("responses"));
}

ScratchHome::~ScratchHome()
{
    platform::ResponseCache::shared().setDirectory(previousResponseCache_);
    restoreEnvironment("XDG_DATA_HOME", previousDataHome_);
    restoreEnvironment("XDG_CACHE_HOME", previousCacheHome_);
}

std::string ScratchHome::documents() const
{
    return file("data/vantry");
}

std::string ScratchHome::caches() const
{
    return file("cache/vantry");
}

UnwritableFolder::UnwritableFolder(const ScratchHome& home, std::string folder)
    : folder_(std::move(folder))
{
    namespace fs = std::filesystem;
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody)
            throw std::runtime_error("no user \"nobody\" to act as");
        for (const auto& entry : fs::recursive_directory_iterator(home.path()))
            ::chown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
        ::chown(home.path().c_str(), nobody->pw_uid, nobody->pw_gid);
        // The folders above the scratch home (a private temporary folder,
        // say) must let the user through, whose groups stay root's.
        constexpr fs::perms through = fs::perms::group_exec | fs::perms::others_exec;
        for (fs::path above = fs::path(home.path()).parent_path(); above != above.root_path();
             above = above.parent_path()) {
            const fs::perms before = fs::status(above).permissions();
            if ((before & through) != through) {
                fs::permissions(above, through, fs::perm_options::add);
                openedAbove_.emplace_back(above.string(), before);
            }
        }
    }
    for (const auto& entry : fs::directory_iterator(folder_))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::remove);
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::remove);
    if (geteuid() == 0) {
        if (seteuid(getpwnam("nobody")->pw_uid) != 0)
            throw std::runtime_error("cannot act as \"nobody\"");
        actsAsNobody_ = true;
    }
}

UnwritableFolder::~UnwritableFolder()
{
    namespace fs = std::filesystem;
    if (actsAsNobody_ && seteuid(0) != 0)
        ADD_FAILURE() << "cannot act as root again";
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add, ignored);
    for (const auto& entry : fs::directory_iterator(folder_, ignored))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    for (const auto& [above, before] : openedAbove_)
        fs::permissions(above, before, ignored);
}

ExpensiveOperationsRestorer::~ExpensiveOperationsRestorer()
{
    RMExpensiveOperations::setAllowed(true);
}

NotificationRecorder::NotificationRecorder()
{
    for (const std::string_view name : kRecordedNames) {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, name, nullptr, [this](const platform::Notification& notification) {
                std::string entry(notification.name());
                if (object_ && notification.object() == object_)
                    entry += " (image)";
                names_.push_back(std::move(entry));
            });
    }
}

NotificationRecorder::~NotificationRecorder()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

std::vector<std::string> NotificationRecorder::take()
{
    return std::exchange(names_, {});
}

LoadedBytes::LoadedBytes(const RMTileImage& image)
{
    platform::NotificationCenter::defaultCenter().addObserver(this, RMMapImageLoadedNotification,
        image.notificationObject(), [this](const platform::Notification& notification) {
            const platform::Data* data = notification.userInfo().get<platform::Data>(RMMapImageDataKey);
            posted.push_back(data ? *data : platform::Data::fromString("<no data>"));
        });
}

LoadedBytes::~LoadedBytes()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

std::string hex(const platform::Data& data)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : data.bytes()) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

platform::Data readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return platform::Data::fromString(bytes);
}

void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool waitFor(const std::function<bool()>& done)
{
    return platform::RunLoop::runUntil(done, kPatience);
}

} // namespace tiles::test
