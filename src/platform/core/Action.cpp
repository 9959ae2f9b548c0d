#include "Action.h"

namespace platform {

std::shared_ptr<const Action> Action::defaultActionForKey(std::string_view key)
{
    return std::make_shared<const Action>(std::string(key));
}

} // namespace platform
