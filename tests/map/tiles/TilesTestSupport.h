#pragma once

#include "Data.h"
#include "ScratchFolder.h"

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

// A scratch folder (removed with its contents) in which, while it lives, the
// user's documents and caches folders and the shared response cache lie.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    std::string path() const { return folder_.path(); }
    std::string file(std::string_view name) const { return folder_.file(name); }
    // Where the documents folder lies (XDG_DATA_HOME/vantry).
    std::string documents() const;
    std::string caches() const;

private:
    vantry::test::ScratchFolder folder_ { "tiles-test" };
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

// The bytes in upper-case hexadecimal, as the sqlite3 shell's hex() writes them.
std::string hex(const platform::Data& data);

// The file's bytes.
platform::Data readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// Runs the event loop until `done` or kPatience seconds; whether it holds.
bool waitFor(const std::function<bool()>& done);

} // namespace tiles::test
