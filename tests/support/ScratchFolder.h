#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantry::test {

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes (whatever permissions a test left on the folder).
class ScratchFolder {
public:
    // The folder's name starts with `prefix`.
    explicit ScratchFolder(std::string_view prefix = "vantry-test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path() const { return path_.string(); }
    // The path of `name` inside the folder.
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

} // namespace vantry::test
