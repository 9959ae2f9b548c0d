#include "Directories.h"

#include "Log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A base folder from an XDG variable; relative values are ignored, as the
// XDG rules say.
std::string xdgBase(const char* variable, std::string_view fallbackBelowHome)
{
    std::string base = environment(variable);
    if (!base.empty() && base.front() == '/')
        return base;
    std::string home = environment("HOME");
    if (home.empty())
        home = "/";
    return home + "/" + std::string(fallbackBelowHome);
}

// Creates the folder and any missing parents, each owner-only.
bool makeDirectories(const std::string& path)
{
    std::size_t slash = 0;
    while (slash != std::string::npos) {
        slash = path.find('/', slash + 1);
        const std::string part = path.substr(0, slash);
        if (part.empty())
            continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ensured(std::string path)
{
    if (!makeDirectories(path))
        base::logf("Could not create the folder {}: {}", path, std::strerror(errno));
    return path;
}

// Whether `path` is a real folder (not a link) of this user; one left open
// to others is closed first.
bool isOwnFolder(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

} // namespace

std::string Directories::documents()
{
    return ensured(xdgBase("XDG_DATA_HOME", ".local/share") + "/vantry");
}

std::string Directories::caches()
{
    return ensured(xdgBase("XDG_CACHE_HOME", ".cache") + "/vantry");
}

std::string Directories::temporary()
{
    std::string base = environment("TMPDIR");
    if (base.empty() || base.front() != '/')
        base = "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string path = base + "/vantry-" + std::to_string(::getuid());
    if (::mkdir(path.c_str(), 0700) == 0 || isOwnFolder(path))
        return path;
    // Someone else's folder, or a link, sits at our name: use a fresh one
    // for this process instead.
    std::string pattern = path + "-XXXXXX";
    if (::mkdtemp(pattern.data()))
        return pattern;
    base::logf("Could not create the folder {}: {}", path, std::strerror(errno));
    return path;
}

} // namespace platform
