#pragma once

#include <cstddef>
#include <cstdint>
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
        char* out = reserve(count);
        // Most appends are a few bytes (numbers, separators, indentation): copied inline with two
        // overlapping loads rather than by a call.
        if (count >= 8 && count <= 16) {
            copyOverlapping<std::uint64_t>(out, bytes, count);
        } else if (count >= 4 && count < 8) {
            copyOverlapping<std::uint32_t>(out, bytes, count);
        } else if (count > 0 && count < 4) {
            out[0] = bytes[0];
            out[count / 2] = bytes[count / 2];
            out[count - 1] = bytes[count - 1];
        } else {
            std::memcpy(out, bytes, count);
        }
        end_ += count;
    }
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }

private:
    // Copies `count` bytes, at least one word and at most two, as a first and a last word.
    template<typename Word> static void copyOverlapping(char* out, const char* bytes, std::size_t count)
    {
        Word first;
        Word last;
        std::memcpy(&first, bytes, sizeof(Word));
        std::memcpy(&last, bytes + count - sizeof(Word), sizeof(Word));
        std::memcpy(out, &first, sizeof(Word));
        std::memcpy(out + count - sizeof(Word), &last, sizeof(Word));
    }

    struct Free {
        void operator()(char* bytes) const;
    };
    void grow(std::size_t count);

    std::unique_ptr<char, Free> begin_;
    char* end_ = nullptr;
    char* limit_ = nullptr;
};

} // namespace json
