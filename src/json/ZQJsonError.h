#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace json {

inline constexpr std::string_view ZQJSONErrorDomain = "org.vellumar.JSON.ErrorDomain";

// Error codes shared by parser and writer.
enum ZQJsonErrorCode : unsigned {
    ZQJsonErrorUnsupported = 1,
    ZQJsonErrorNumber = 2,
    ZQJsonErrorSyntax = 3,
    ZQJsonErrorFragment = 4,
    ZQJsonErrorControlCharacter = 5,
    ZQJsonErrorUnicode = 6,
    ZQJsonErrorDepth = 7,
    ZQJsonErrorEscape = 8,
    ZQJsonErrorTrailingComma = 9,
    ZQJsonErrorTextAfterValue = 10,
    ZQJsonErrorEndOfInput = 11,
    ZQJsonErrorNilInput = 12,
};

// One error of a trace: domain, code, description and the error that caused it (none for the first
// error of a trace). Immutable; errors are shared between a trace and the errors stacked on them.
class ZQJsonError {
public:
    ZQJsonError(unsigned code, std::string description, std::shared_ptr<const ZQJsonError> underlyingError);

    std::string_view domain() const { return ZQJSONErrorDomain; }
    unsigned code() const { return code_; }
    const std::string& localizedDescription() const { return description_; }
    const std::shared_ptr<const ZQJsonError>& underlyingError() const { return underlyingError_; }

private:
    unsigned code_;
    std::string description_;
    std::shared_ptr<const ZQJsonError> underlyingError_;
};

// Errors from the first cause to the outermost context; each error after the first has the one
// before it as its underlying error.
using ZQJsonErrorTrace = std::vector<std::shared_ptr<const ZQJsonError>>;

// The trace on one line, first cause first: `[3 "Unrecognised leading character", 3 "Expected value
// while parsing array"]`.
std::string describeErrorTrace(const ZQJsonErrorTrace* trace);

} // namespace json
