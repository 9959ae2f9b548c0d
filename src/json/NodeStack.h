#pragma once

#include <cstdlib>
#include <cstring>
#include <new>

namespace json {

// A stack of the parser's values or members while their array or object is being read. Their parts
// lie in the document being built, so they are pushed and popped as bytes and never destroyed.
// Internal to the codec.
template<typename Node> class NodeStack {
public:
    NodeStack() = default;
    NodeStack(const NodeStack&) = delete;
    NodeStack& operator=(const NodeStack&) = delete;
    ~NodeStack() { std::free(nodes_); }

    std::size_t size() const { return size_; }
    Node* at(std::size_t position) { return nodes_ + position; }

    // A slot on top, whose bytes the caller fills.
    Node* push()
    {
        if (size_ == capacity_)
            grow();
        return nodes_ + size_++;
    }
    void popTo(std::size_t size) { size_ = size; }

private:
    void grow()
    {
        const std::size_t capacity = capacity_ == 0 ? 256 : capacity_ * 2;
        void* nodes = std::realloc(static_cast<void*>(nodes_), capacity * sizeof(Node));
        if (!nodes)
            throw std::bad_alloc();
        nodes_ = static_cast<Node*>(nodes);
        capacity_ = capacity;
    }

    Node* nodes_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace json
