#pragma once

#include "Data.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class RMTileImage;

namespace tiles::test {

constexpr double kPatience = 20; // seconds of real time before a network test gives up

// A fresh folder, removed with its contents. While it lives the user's
// documents and caches folders and the shared response cache lie inside it.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(std::string_view name) const { return (path_ / name).string(); }
    // Where the documents folder lies (XDG_DATA_HOME/vantry).
    std::string documents() const;
    std::string caches() const;

private:
    std::filesystem::path path_;
    std::string previousDataHome_;
    std::string previousCacheHome_;
    std::string previousResponseCache_;
};

// While it lives this process cannot write into a folder of a scratch home
// nor change the files in it: they lose their write permissions, and a
// process running as root (which permissions do not stop) acts as the user
// "nobody" meanwhile, after the scratch home was given to that user.
class UnwritableFolder {
public:
    UnwritableFolder(const ScratchHome& home, std::string folder);
    ~UnwritableFolder();
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

private:
    std::string folder_;
    bool actsAsNobody_ = false;
    // Folders above the home that had to let the user through, with their
    // permissions before.
    std::vector<std::pair<std::string, std::filesystem::perms>> openedAbove_;
};

// Switches expensive operations back on when it ends, whatever a test left.
class ExpensiveOperationsRestorer {
public:
    ~ExpensiveOperationsRestorer();
};

// Records the names of the map engine's notifications as they are posted,
// with "(image)" appended when the object is `image` (see recordObject).
class NotificationRecorder {
public:
    NotificationRecorder();
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    // Marks notifications whose object is this.
    void recordObject(const void* object) { object_ = object; }
    const std::vector<std::string>& names() const { return names_; }
    // The names since the last call.
    std::vector<std::string> take();

private:
    std::vector<std::string> names_;
    const void* object_ = nullptr;
};

// Keeps the bytes of every "MapImageLoaded" posted for one image.
class LoadedBytes {
public:
    explicit LoadedBytes(const RMTileImage& image);
    ~LoadedBytes();
    LoadedBytes(const LoadedBytes&) = delete;
    LoadedBytes& operator=(const LoadedBytes&) = delete;

    std::vector<platform::Data> posted;
};

// Matches "<operation> logged method call: -[<receiver> <operation>] (line N)".
testing::Matcher<const std::string&> IsMethodTrace(std::string operation, std::string receiver);

// The lines without those the caches write as they are set up and torn down
// ("initializing memory cache …", "Opening database at …", dealloc traces).
std::vector<std::string> withoutCacheLifecycle(std::vector<std::string> lines);

// The bytes in upper-case hexadecimal, as the sqlite3 shell's hex() writes them.
std::string hex(const platform::Data& data);

// The file's bytes.
platform::Data readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// Runs the event loop until `done` or kPatience seconds; whether it holds.
bool waitFor(const std::function<bool()>& done);

} // namespace tiles::test
