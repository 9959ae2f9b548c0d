#pragma once

#include <optional>
#include <string>

namespace vantry::test {

// Sets an environment variable for one scope; the old value (or its
// absence) comes back when the scope ends.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

} // namespace vantry::test
