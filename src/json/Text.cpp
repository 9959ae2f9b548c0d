#include "Text.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace json {

Text::Text(std::string_view text)
{
    assignCopyOf(text);
}

Text::Text(const Text& other)
{
    assignCopyOf(other.view());
}

Text::Text(Text&& other) noexcept
{
    if (!other.owned_) {
        assignCopyOf(other.view());
        return;
    }
    data_ = other.data_;
    size_ = other.size_;
    owned_ = true;
    other.data_ = "";
    other.size_ = 0;
    other.owned_ = false;
}

Text& Text::operator=(const Text& other)
{
    if (this != &other)
        *this = Text(other);
    return *this;
}

Text& Text::operator=(Text&& other) noexcept
{
    if (this != &other) {
        Text taken(std::move(other));
        std::swap(data_, taken.data_);
        std::swap(size_, taken.size_);
        std::swap(owned_, taken.owned_);
    }
    return *this;
}

Text::~Text()
{
    if (owned_)
        delete[] data_;
}

void Text::assignCopyOf(std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("json::Text of 4 GiB or more");
    if (text.empty())
        return;
    char* bytes = new char[text.size()];
    std::memcpy(bytes, text.data(), text.size());
    data_ = bytes;
    size_ = static_cast<std::uint32_t>(text.size());
    owned_ = true;
}

} // namespace json
