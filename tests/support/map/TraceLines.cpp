#include "TraceLines.h"

#include <array>
#include <string_view>

namespace vantry::test {

namespace {

std::string tracePrefix(const std::string& operation, const std::string& receiver)
{
    return operation + " logged method call: -[" + receiver + " " + operation + "] (line ";
}

bool endsWithLineNumber(const std::string& line, std::size_t from)
{
    if (!line.ends_with(")") || line.size() < from + 2)
        return false;
    const std::string number = line.substr(from, line.size() - from - 1);
    return number.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

testing::Matcher<const std::string&> IsMethodTrace(std::string operation, std::string receiver)
{
    const std::string prefix = tracePrefix(operation, receiver);
    return testing::AllOf(testing::StartsWith(prefix), testing::Truly([prefix](const std::string& line) {
        return endsWithLineNumber(line, prefix.size());
    }));
}

bool isTraceLine(const std::string& line, const std::string& operation, const std::string& receiver)
{
    const std::string prefix = tracePrefix(operation, receiver);
    return line.starts_with(prefix) && endsWithLineNumber(line, prefix.size());
}

std::string viewTraceLine(const std::string& operation, const std::string& receiver, int line)
{
    return tracePrefix(operation, receiver) + std::to_string(line) + ")";
}

std::vector<std::string> viewConstructionLines(CGRect frame)
{
    const std::string bounds = "MapView at 0,0-" + std::to_string(static_cast<int>(frame.size.width)) + ","
        + std::to_string(static_cast<int>(frame.size.height));
    return { viewTraceLine("initWithFrame:", "MapView at 0,0-0,0", 77),
        viewTraceLine("performInitialSetup", bounds, 58) };
}

std::vector<std::string> withoutCacheLifecycle(std::vector<std::string> lines)
{
    static constexpr std::array<std::string_view, 3> kCaches {
        "<RMMemoryCache: ", "<RMDatabaseCache: ", "<RMTileCacheDAO: "
    };
    std::erase_if(lines, [](const std::string& line) {
        if (line.starts_with("initializing memory cache ") || line.starts_with("Opening database at "))
            return true;
        constexpr std::string_view kTrace = " logged method call: -[";
        const std::size_t trace = line.find(kTrace);
        if (trace == std::string::npos)
            return false;
        const std::string_view receiver = std::string_view(line).substr(trace + kTrace.size());
        for (const std::string_view cache : kCaches) {
            if (receiver.starts_with(cache))
                return true;
        }
        return false;
    });
    return lines;
}

} // namespace vantry::test
