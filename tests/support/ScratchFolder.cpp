#include "ScratchFolder.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace vantry::test {

ScratchFolder::ScratchFolder(std::string_view prefix)
{
    std::string pattern
        = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

} // namespace vantry::test
