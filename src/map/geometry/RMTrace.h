#pragma once

#include "Log.h"

#include <fmt/format.h>

#include <string>
#include <string_view>

// The map engine's trace lines and the way its objects describe themselves
// in log lines.
//
// An object's description is "<ClassName: 0x…>" (class name, then its
// address). The trace lines name an operation by its selector-style name
// ("didReceiveMemoryWarning"; a destructor is "dealloc"), the receiver's
// description (a class operation names the class), the operation again and
// the source line of the logging statement.

// "<ClassName: 0x…>"
inline std::string RMObjectDescription(std::string_view className, const void* object)
{
    return fmt::format("<{}: {}>", className, fmt::ptr(object));
}

// "<operation> logged method call: -[<receiver> <operation>] (line <line>)"
inline void RMLogMethodCall(std::string_view operation, std::string_view receiver, int line)
{
    base::logf("{} logged method call: -[{} {}] (line {})", operation, receiver, operation, line);
}

// "***** WARNING: <operation> deprecated method call: -[<receiver> <operation>] (line <line>)",
// for operations kept only for old callers.
inline void RMLogDeprecatedMethodCall(std::string_view operation, std::string_view receiver, int line)
{
    base::logf(
        "***** WARNING: {} deprecated method call: -[{} {}] (line {})", operation, receiver, operation, line);
}

// The same lines with the line number of the statement that writes them.
#define RM_LOG_METHOD_CALL(operation, receiver) RMLogMethodCall((operation), (receiver), __LINE__)
#define RM_LOG_DEPRECATED_METHOD_CALL(operation, receiver)                                                   \
    RMLogDeprecatedMethodCall((operation), (receiver), __LINE__)
