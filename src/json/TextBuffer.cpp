#include "TextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace json {

void TextBuffer::Free::operator()(char* bytes) const
{
    std::free(bytes);
}

void TextBuffer::grow(std::size_t count)
{
    // realloc: large blocks are moved by remapping their pages, neither copied nor touched again.
    const auto size = static_cast<std::size_t>(end_ - begin_.get());
    const auto capacity = static_cast<std::size_t>(limit_ - begin_.get());
    const std::size_t wanted = std::max({ size + count, capacity + capacity / 2, std::size_t { 4096 } });
    auto* bytes = static_cast<char*>(std::realloc(begin_.get(), wanted));
    if (!bytes)
        throw std::bad_alloc();
    begin_.release();
    begin_.reset(bytes);
    end_ = bytes + size;
    limit_ = bytes + wanted;
}

} // namespace json
