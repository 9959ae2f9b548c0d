#include "AtomicFile.h"

#include "Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

bool writeAll(int descriptor, const Data& bytes)
{
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool writeFileAtomically(const std::string& path, const Data& bytes)
{
    // mkstemp makes the new file owner-only and never opens an existing one.
    std::string temporary = path + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        base::logf("Could not write {}: {}", path, std::strerror(errno));
        return false;
    }
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    const int writeError = errno;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = written && closed ? errno : writeError;
        ::unlink(temporary.c_str());
        base::logf("Could not write {}: {}", path, std::strerror(error));
        return false;
    }
    return true;
}

} // namespace platform
