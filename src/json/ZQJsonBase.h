#pragma once

#include "ZQJsonError.h"
#include "ZQJsonObserver.h"

#include <optional>
#include <string>
#include <vector>

namespace json {

// The error trace shared by the parser, the writer and the facade. Every change of the trace is
// announced to the observers of the key "errorTrace" before and after it happens.
class ZQJsonBase {
public:
    static constexpr std::string_view kErrorTraceKey = "errorTrace";

    ZQJsonBase() = default;
    ZQJsonBase(const ZQJsonBase&) = delete;
    ZQJsonBase& operator=(const ZQJsonBase&) = delete;
    virtual ~ZQJsonBase();

    // The trace of the last failed call, or null when there is none. Valid until the next call.
    const ZQJsonErrorTrace* errorTrace() const { return errorTrace_ ? &*errorTrace_ : nullptr; }

    // Appends an error whose underlying error is the trace's last one (creating the trace if needed).
    void addErrorWithCodeDescription(unsigned code, std::string description);
    void clearErrorTrace();

    void addObserver(ZQJsonObserver* observer);
    void removeObserver(ZQJsonObserver* observer);

protected:
    void replaceErrorTrace(ZQJsonErrorTrace trace);

private:
    void releaseTrace();
    void willChange();
    void didChange();

    std::optional<ZQJsonErrorTrace> errorTrace_;
    std::vector<ZQJsonObserver*> observers_;
};

} // namespace json
