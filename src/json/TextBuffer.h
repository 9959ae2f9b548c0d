#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace json {

// The writer's output: a byte buffer that grows geometrically and keeps its memory between writes, so
// writing documents of similar size touches fresh memory once, not on every write. Appends make room
// first and then copy without further checks. Internal to the codec.
class TextBuffer {
public:
    void clear() { end_ = begin_.get(); }
    std::string_view text() const { return { begin_.get(), static_cast<std::size_t>(end_ - begin_.get()) }; }

    // Room for at least `count` more bytes, at the returned position; `commit` then ends the text
    // where the caller stopped writing.
    char* reserve(std::size_t count)
    {
        if (static_cast<std::size_t>(limit_ - end_) < count)
            grow(count);
        return end_;
    }
    void commit(char* end) { end_ = end; }

    void append(char byte) { *reserve(1) = byte, ++end_; }
    void append(const char* bytes, std::size_t count)
    {
        std::memcpy(reserve(count), bytes, count);
        end_ += count;
    }
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }

private:
    struct Free {
        void operator()(char* bytes) const;
    };
    void grow(std::size_t count);

    std::unique_ptr<char, Free> begin_;
    char* end_ = nullptr;
    char* limit_ = nullptr;
};

} // namespace json
