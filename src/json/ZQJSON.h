#pragma once

#include "ZQJsonBase.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace json {

// The codec's facade: one parser (maximum depth 512) and one writer, and a trace of its own that
// takes a copy of the failing side's trace. A success leaves the facade's trace as it was.
// An optional out-error receives the outermost error of a failure.
class ZQJSON : public ZQJsonBase {
public:
    static constexpr std::uint32_t kDefaultMaxDepth = 512;

    ZQJSON();

    std::optional<Document> objectWithStringAllowScalarError(std::optional<std::string_view> text,
        bool allowScalar, std::shared_ptr<const ZQJsonError>* error = nullptr);
    std::optional<Document> objectWithStringError(
        std::optional<std::string_view> text, std::shared_ptr<const ZQJsonError>* error = nullptr);
    std::optional<Document> fragmentWithStringError(
        std::optional<std::string_view> text, std::shared_ptr<const ZQJsonError>* error = nullptr);

    std::optional<std::string> stringWithObjectAllowScalarError(
        const Value& value, bool allowScalar, std::shared_ptr<const ZQJsonError>* error = nullptr);
    std::optional<std::string> stringWithObjectError(
        const Value& value, std::shared_ptr<const ZQJsonError>* error = nullptr);
    std::optional<std::string> stringWithFragmentError(
        const Value& value, std::shared_ptr<const ZQJsonError>* error = nullptr);

    std::uint32_t maxDepth() const { return jsonParser_.maxDepth(); }
    void setMaxDepth(std::uint32_t maxDepth) { jsonParser_.setMaxDepth(maxDepth); }
    bool humanReadable() const { return jsonWriter_.humanReadable(); }
    void setHumanReadable(bool humanReadable) { jsonWriter_.setHumanReadable(humanReadable); }
    bool sortKeys() const { return jsonWriter_.sortKeys(); }
    void setSortKeys(bool sortKeys) { jsonWriter_.setSortKeys(sortKeys); }

private:
    void takeTraceOf(const ZQJsonBase& failed, std::shared_ptr<const ZQJsonError>* error);

    ZQJsonParser jsonParser_;
    ZQJsonWriter jsonWriter_;
};

} // namespace json
