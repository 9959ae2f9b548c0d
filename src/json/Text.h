#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace json {

// The bytes of a JSON text value or object key (UTF-8 when they come from the parser).
//
// A text either owns its bytes or refers to bytes of a parsed document (see Document): the parser
// makes the second kind, which costs no allocation and nothing to destroy. Copying or moving a
// referring text makes an owning copy, so no text made outside a document refers into one. Texts are
// shorter than 4 GiB.
class Text {
public:
    Text() = default;
    Text(std::string_view text);
    Text(const char* text)
        : Text(std::string_view(text))
    { }
    Text(const std::string& text)
        : Text(std::string_view(text))
    { }
    Text(const Text& other);
    Text(Text&& other) noexcept;
    Text& operator=(const Text& other);
    Text& operator=(Text&& other) noexcept;
    ~Text();

    // Refers to `text` (shorter than 4 GiB, well-formed UTF-8), which must outlive this text.
    static Text referringToValid(std::string_view text) { return Text(text.data(), text.size()); }

    std::string_view view() const { return { data_, size_ }; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const char* data() const { return data_; }
    // Whether the text is known to be well-formed UTF-8 (as the parser's texts are).
    bool isKnownValid() const { return !owned_; }

    // One overload per kind of right-hand side, so that no comparison needs a conversion that another
    // overload (or its reversed form) would need too.
    friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }
    friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const Text& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const Text& a, const char* b) { return a.view() == b; }
    friend std::strong_ordering operator<=>(const Text& a, const Text& b) { return a.view() <=> b.view(); }

private:
    Text(const char* data, std::size_t size)
        : data_(data)
        , size_(static_cast<std::uint32_t>(size))
    { }
    void assignCopyOf(std::string_view text);

    const char* data_ = "";
    std::uint32_t size_ = 0;
    bool owned_ = false;
};

} // namespace json
