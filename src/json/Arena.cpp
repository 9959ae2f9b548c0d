#include "Arena.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace json {

namespace {

constexpr std::size_t kLargestChunk = 1 << 20;
constexpr std::size_t kChunkHeader = 16;

// Chunks given back on a thread wait here for the next arenas of that thread, up to a bound in bytes
// and in number (which bounds the search for one large enough): the C library returns large blocks to
// the system at once, and a program parsing document after document would otherwise touch fresh pages
// for every one.
class ChunkCache {
public:
    static constexpr std::size_t kMostBytes = 8 << 20;
    static constexpr std::size_t kMostChunks = 64;

    ~ChunkCache()
    {
        while (first_)
            std::free(std::exchange(first_, first_->next));
        gone_ = true;
    }

    // A chunk of at least `size` bytes, or null.
    void* take(std::size_t size, std::size_t& takenSize)
    {
        for (Free** link = &first_; *link; link = &(*link)->next) {
            Free* chunk = *link;
            if (chunk->size >= size) {
                *link = chunk->next;
                bytes_ -= chunk->size;
                --count_;
                takenSize = chunk->size;
                return chunk;
            }
        }
        return nullptr;
    }

    void give(void* memory, std::size_t size)
    {
        // A document of static lifetime may die after its thread's cache.
        if (gone_ || bytes_ + size > kMostBytes || count_ == kMostChunks) {
            std::free(memory);
            return;
        }
        first_ = ::new (memory) Free { first_, size };
        bytes_ += size;
        ++count_;
    }

private:
    struct Free {
        Free* next;
        std::size_t size;
    };

    Free* first_ = nullptr;
    std::size_t bytes_ = 0;
    std::size_t count_ = 0;
    static thread_local bool gone_;
};

thread_local bool ChunkCache::gone_ = false;

thread_local ChunkCache chunkCache;

} // namespace

Arena::Arena(Arena&& other) noexcept
    : last_(std::exchange(other.last_, nullptr))
    , next_(std::exchange(other.next_, nullptr))
    , limit_(std::exchange(other.limit_, nullptr))
    , nextChunkSize_(other.nextChunkSize_)
{ }

Arena& Arena::operator=(Arena&& other) noexcept
{
    if (this != &other) {
        releaseChunks();
        last_ = std::exchange(other.last_, nullptr);
        next_ = std::exchange(other.next_, nullptr);
        limit_ = std::exchange(other.limit_, nullptr);
        nextChunkSize_ = other.nextChunkSize_;
    }
    return *this;
}

Arena::~Arena()
{
    releaseChunks();
}

void Arena::releaseChunks() noexcept
{
    while (last_) {
        Chunk* chunk = std::exchange(last_, last_->previous);
        chunkCache.give(chunk, chunk->size);
    }
    next_ = limit_ = nullptr;
}

void Arena::addChunk(std::size_t bytes)
{
    static_assert(sizeof(Chunk) <= kChunkHeader);
    std::size_t size = std::max(std::clamp<std::size_t>(nextChunkSize_, 256, kLargestChunk), bytes);
    void* memory = chunkCache.take(size, size);
    if (!memory)
        memory = std::malloc(kChunkHeader + size);
    if (!memory)
        throw std::bad_alloc();
    auto* chunk = ::new (memory) Chunk { last_, size };
    last_ = chunk;
    next_ = static_cast<char*>(memory) + kChunkHeader;
    limit_ = next_ + size;
    nextChunkSize_ = size * 2;
}

} // namespace json
