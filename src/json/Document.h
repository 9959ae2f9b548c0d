#pragma once

#include "Arena.h"
#include "Value.h"

namespace json {

namespace detail {

// The memory of a document's tree; a base of Document so that it outlives the root value.
struct DocumentMemory {
    Arena arena;
};

} // namespace detail

// A parsed JSON text: the root value of its tree, and the memory in which the tree's parts live.
// Read it as the Value it is. The parts are freed together with the document, in one step; values
// copied or moved out of it are values of their own (see Value). A document parsed with the
// parser's `referencesInput` set also refers to the input text, which must then outlive it.
class Document : private detail::DocumentMemory, public Value {
public:
    Document(Document&& other) noexcept
        : detail::DocumentMemory(std::move(other))
    {
        relocateFrom(other);
    }
    Document& operator=(Document&& other) noexcept
    {
        if (this != &other) {
            *static_cast<Value*>(this) = Value();
            arena = std::move(other.arena);
            relocateFrom(other);
        }
        return *this;
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document() = default;

private:
    friend class ZQJsonParser;

    Document() = default;
};

} // namespace json
