// The JSON parser on arbitrary bytes. The first byte chooses the mode: scalars allowed or not, a
// depth limit (none, or 1 to 16), whether the tree refers to the input, and sorted keys. Whatever
// parses must write, and the text written must parse back to an equal value and write the same text
// again; a copy of the tree taken out of its document must outlive it and write the same text.
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    const bool allowScalar = (mode & 1) != 0;
    const std::uint32_t maxDepth = (mode & 2) != 0 ? ((mode >> 2) & 0x0F) + 1U : 0U;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    json::ZQJsonParser parser;
    parser.setMaxDepth(maxDepth);
    parser.setReferencesInput((mode & 0x40) != 0);
    std::optional<json::Document> value = parser.objectWithStringAllowScalar(text, allowScalar);
    if (!value) {
        if (!parser.errorTrace() || parser.errorTrace()->empty())
            std::abort(); // a failure must say why
        return 0;
    }

    json::ZQJsonWriter writer;
    writer.setSortKeys((mode & 0x80) != 0);
    const std::optional<std::string> written = writer.stringWithObjectAllowScalar(*value, allowScalar);
    if (!written)
        std::abort();
    json::ZQJsonParser again;
    const std::optional<json::Document> reread = again.objectWithStringAllowScalar(*written, allowScalar);
    if (!reread || !(*reread == *value))
        std::abort();
    if (writer.stringWithObjectAllowScalar(*reread, allowScalar) != written)
        std::abort();
    const json::Value copy(*value);
    value.reset();
    if (writer.stringWithObjectAllowScalar(copy, allowScalar) != written)
        std::abort();
    return 0;
}
