#pragma once

#include <cstddef>

namespace json {

// Memory for the parts of one parsed document: handed out by bumping a pointer through chunks that
// grow geometrically, given back all at once when the arena dies. A thread keeps a few megabytes of
// given-back chunks for its next arenas. Internal to the codec.
class Arena {
public:
    Arena() = default;
    Arena(Arena&& other) noexcept;
    Arena& operator=(Arena&& other) noexcept;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena();

    // Room for `bytes` bytes, aligned to 8 bytes (all that the parts of a tree need).
    void* allocate(std::size_t bytes)
    {
        bytes = (bytes + 7) & ~std::size_t { 7 };
        if (static_cast<std::size_t>(limit_ - next_) < bytes)
            addChunk(bytes);
        void* room = next_;
        next_ += bytes;
        return room;
    }
    // Makes the first chunk about `bytes` large; call before the first allocation.
    void expect(std::size_t bytes) { nextChunkSize_ = bytes; }

private:
    struct Chunk {
        Chunk* previous;
        std::size_t size; // usable bytes after the header
    };
    void addChunk(std::size_t bytes);
    void releaseChunks() noexcept;

    Chunk* last_ = nullptr;
    char* next_ = nullptr;
    char* limit_ = nullptr;
    std::size_t nextChunkSize_ = 4096;
};

} // namespace json
