#include "Value.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace json {

Array::Array(std::initializer_list<Value> elements)
{
    appendCopiesOf(elements.begin(), elements.end());
}

Array::Array(const Array& other)
{
    appendCopiesOf(other.begin(), other.end());
}

Array::Array(Array&& other) noexcept
{
    if (!other.canBeTakenOver()) {
        appendCopiesOf(other.begin(), other.end());
        return;
    }
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
}

Array& Array::operator=(const Array& other)
{
    if (this != &other)
        *this = Array(other);
    return *this;
}

Array& Array::operator=(Array&& other) noexcept
{
    if (this != &other) {
        Array taken(std::move(other));
        release();
        data_ = std::exchange(taken.data_, nullptr);
        size_ = std::exchange(taken.size_, 0);
        capacity_ = std::exchange(taken.capacity_, 0);
    }
    return *this;
}

Array::~Array()
{
    release();
}

void Array::release() noexcept
{
    if (ownsElements()) {
        std::destroy_n(data_, size_);
        ::operator delete(data_);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void Array::reserve(std::size_t count)
{
    if (count > capacity() || (!ownsElements() && size_ > 0))
        ownWithRoomFor(std::max<std::size_t>(count, size_));
}

void Array::ownWithRoomFor(std::size_t count)
{
    if (count >= kReferringBit)
        throw std::length_error("json::Array of 2^31 elements or more");
    count = std::max<std::size_t>(count, 1);
    auto* elements = static_cast<Value*>(::operator new(count * sizeof(Value)));
    // Elements hold no pointers into themselves: their bytes move as they are, whether they lie in
    // a document's memory or in this array's.
    if (size_ > 0)
        std::memcpy(static_cast<void*>(elements), static_cast<const void*>(data_), size_ * sizeof(Value));
    const bool referring = ownsElements() ? (capacity_ & kReferringBit) != 0 : size_ > 0;
    if (ownsElements())
        ::operator delete(data_);
    data_ = elements;
    capacity_ = static_cast<std::uint32_t>(count) | (referring ? kReferringBit : 0);
}

void Array::appendCopiesOf(const Value* first, const Value* last)
{
    reserve(size_ + static_cast<std::size_t>(last - first));
    for (; first != last; ++first) {
        std::construct_at(data_ + size_, *first);
        ++size_;
    }
}

Value& Array::appendSlot()
{
    if (size_ == capacity() || !ownsElements())
        ownWithRoomFor(std::max<std::size_t>(8, 2 * std::size_t { size_ }));
    Value* slot = std::construct_at(data_ + size_);
    ++size_;
    return *slot;
}

const Value& Array::at(std::size_t position) const
{
    if (position >= size_)
        throw std::out_of_range("json::Array::at");
    return data_[position];
}

Value* Array::begin()
{
    reserve(size_);
    return data_;
}

Value* Array::end()
{
    return begin() + size_;
}

Value& Array::operator[](std::size_t position)
{
    return begin()[position];
}

void Array::push_back(Value value)
{
    Value& slot = appendSlot();
    slot.relocateFrom(value);
}

bool operator==(const Array& a, const Array& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

} // namespace json
