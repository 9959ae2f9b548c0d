#include "Bundle.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {

namespace {

std::vector<std::filesystem::path> resourceFolders()
{
    std::vector<std::filesystem::path> folders;
    if (const char* folder = std::getenv("VANTRY_RESOURCES"); folder && *folder)
        folders.emplace_back(folder);
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(executable.parent_path() / ".." / "share" / "vantry" / "resources");
    folders.emplace_back(VANTRY_SOURCE_RESOURCES);
    return folders;
}

} // namespace

std::string Bundle::pathForResource(std::string_view name, std::string_view type)
{
    return pathForResource(name, type, {});
}

std::string Bundle::pathForResource(std::string_view name, std::string_view type, std::string_view directory)
{
    const auto plain = [](std::string_view part) {
        return part.find('/') == std::string_view::npos && part != "." && part != "..";
    };
    if (name.empty() || !plain(name) || !plain(directory))
        return {};
    std::string file = directory.empty() ? std::string() : std::string(directory) + "/";
    file.append(name);
    if (!type.empty())
        file.append(".").append(type);
    for (const std::filesystem::path& folder : resourceFolders()) {
        std::error_code error;
        const std::filesystem::path candidate = folder / file;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.lexically_normal().string();
    }
    return {};
}

} // namespace platform
