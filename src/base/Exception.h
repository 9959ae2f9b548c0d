#pragma once

#include <exception>
#include <string>
#include <utility>

// Programming errors are C++ exceptions that carry the system's exact texts,
// so callers and tests can tell them apart. Run-time failures are never
// reported this way: they are logged and answered with null or false.
namespace base {

// An exception with a name ("RMUnknownBoundsException") and a reason.
// what() gives "name: reason".
class NamedException : public std::exception {
public:
    NamedException(std::string name, std::string reason)
        : name_(std::move(name))
        , reason_(std::move(reason))
        , what_(name_ + ": " + reason_)
    { }

    const std::string& name() const noexcept { return name_; }
    const std::string& reason() const noexcept { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string name_;
    std::string reason_;
    std::string what_;
};

// A failed internal assertion; what() gives its description
// ("attempted to remove dummy tile").
class AssertionFailure : public std::exception {
public:
    explicit AssertionFailure(std::string description)
        : description_(std::move(description))
    { }

    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    std::string description_;
};

} // namespace base
