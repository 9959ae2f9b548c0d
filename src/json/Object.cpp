#include "Value.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace json {

namespace {

template<typename Word> Word load(const char* p)
{
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace

// Keys are short; a multiply-mix over eight-byte words is plenty. Tails are read with fixed-size,
// overlapping loads.
std::size_t Object::hashOf(std::string_view key)
{
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    const std::size_t size = key.size();
    const char* p = key.data();
    std::uint64_t h = size * kMultiplier;
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * kMultiplier;
        h ^= h >> 29;
    };
    if (size >= 8) {
        const char* const last = p + size - 8;
        for (; p < last; p += 8)
            mix(load<std::uint64_t>(p));
        mix(load<std::uint64_t>(last));
    } else if (size >= 4) {
        mix((std::uint64_t { load<std::uint32_t>(p) } << 32) | load<std::uint32_t>(p + size - 4));
    } else if (size > 0) {
        const auto byte = [p](std::size_t i) { return std::uint64_t { static_cast<unsigned char>(p[i]) }; };
        mix(byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16);
    }
    return static_cast<std::size_t>(h ^ (h >> 32));
}

namespace {

std::size_t slotCount(const std::uint32_t* index)
{
    return index[0];
}

// The first slot for `keyHash`; probing goes on to the next slot, round the end.
std::uint32_t* firstSlot(std::uint32_t* index, std::size_t keyHash)
{
    return index + 1 + (keyHash & (slotCount(index) - 1));
}

std::uint32_t* nextSlot(std::uint32_t* index, std::uint32_t* slot)
{
    return slot + 1 == index + 1 + slotCount(index) ? index + 1 : slot + 1;
}

void insertHashed(std::uint32_t* index, std::size_t keyHash, std::size_t position)
{
    std::uint32_t* slot = firstSlot(index, keyHash);
    while (*slot != 0)
        slot = nextSlot(index, slot);
    *slot = static_cast<std::uint32_t>(position + 1);
}

} // namespace

Object::Object(std::initializer_list<Member> members)
{
    reserve(members.size());
    for (const Member& member : members)
        insertOrAssign(member.key, member.value);
}

Object::Object(const Object& other)
{
    appendCopiesOf(other);
}

Object::Object(Object&& other) noexcept
{
    if (!other.canBeTakenOver()) {
        appendCopiesOf(other);
        return;
    }
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    index_ = std::exchange(other.index_, nullptr);
}

Object& Object::operator=(const Object& other)
{
    if (this != &other)
        *this = Object(other);
    return *this;
}

Object& Object::operator=(Object&& other) noexcept
{
    if (this != &other) {
        Object taken(std::move(other));
        release();
        data_ = std::exchange(taken.data_, nullptr);
        size_ = std::exchange(taken.size_, 0);
        capacity_ = std::exchange(taken.capacity_, 0);
        index_ = std::exchange(taken.index_, nullptr);
    }
    return *this;
}

Object::~Object()
{
    release();
}

void Object::release() noexcept
{
    if (ownsMembers()) {
        std::destroy_n(data_, size_);
        ::operator delete(data_);
        delete[] index_;
    }
    data_ = nullptr;
    index_ = nullptr;
    size_ = capacity_ = 0;
}

void Object::appendCopiesOf(const Object& other)
{
    // Keys are distinct already: copy the members and index them.
    if (other.empty())
        return;
    ownWithRoomFor(other.size_);
    for (const Member& member : other) {
        std::construct_at(data_ + size_, member);
        ++size_;
    }
    if (other.index_)
        rebuildIndex();
}

void Object::reserve(std::size_t count)
{
    if (count > capacity() || (!ownsMembers() && size_ > 0))
        ownWithRoomFor(std::max<std::size_t>(count, size_));
    if (count > kIndexThreshold && (!index_ || slotCount(index_) < count * 2))
        rebuildIndex(count);
}

void Object::ownWithRoomFor(std::size_t count)
{
    if (count >= kReferringBit)
        throw std::length_error("json::Object of 2^31 members or more");
    count = std::max<std::size_t>(count, 1);
    auto* members = static_cast<Member*>(::operator new(count * sizeof(Member)));
    // Members hold no pointers into themselves: their bytes move as they are, whether they lie in a
    // document's memory or in this object's.
    if (size_ > 0)
        std::memcpy(static_cast<void*>(members), static_cast<const void*>(data_), size_ * sizeof(Member));
    const bool owned = ownsMembers();
    const bool referring = owned ? (capacity_ & kReferringBit) != 0 : size_ > 0;
    if (owned)
        ::operator delete(data_);
    data_ = members;
    capacity_ = static_cast<std::uint32_t>(count) | (referring ? kReferringBit : 0);
    if (!owned && index_) {
        // The document's index stays with the document.
        index_ = nullptr;
        rebuildIndex();
    }
}

std::ptrdiff_t Object::indexOf(std::string_view key) const
{
    if (!index_) {
        for (std::size_t i = 0; i < size_; ++i) {
            const Text& candidate = data_[i].key;
            if (candidate.size() == key.size() && candidate.view() == key)
                return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }
    std::uint32_t* slot = firstSlot(index_, hashOf(key));
    while (const std::uint32_t entry = *slot) {
        if (data_[entry - 1].key == key)
            return static_cast<std::ptrdiff_t>(entry - 1);
        slot = nextSlot(index_, slot);
    }
    return -1;
}

void Object::rebuildIndex(std::size_t expectedSize)
{
    std::size_t capacity = 64;
    while (capacity < std::max<std::size_t>(size_, expectedSize) * 2)
        capacity *= 2;
    auto* index = new std::uint32_t[capacity + 1]();
    index[0] = static_cast<std::uint32_t>(capacity);
    for (std::size_t i = 0; i < size_; ++i)
        insertHashed(index, hashOf(data_[i].key), i);
    if (ownsMembers())
        delete[] index_;
    index_ = index;
}

const Value* Object::find(std::string_view key) const
{
    const std::ptrdiff_t position = indexOf(key);
    return position < 0 ? nullptr : &data_[position].value;
}

Value* Object::find(std::string_view key)
{
    const std::ptrdiff_t position = indexOf(key);
    if (position < 0)
        return nullptr;
    reserve(size_);
    return &data_[position].value;
}

Value& Object::entry(std::string_view key)
{
    const std::ptrdiff_t position = indexOf(key);
    if (position >= 0) {
        reserve(size_);
        return data_[position].value;
    }
    return appendMember(key);
}

void Object::insertOrAssign(std::string_view key, Value value)
{
    entry(key) = std::move(value);
}

Value& Object::appendMember(std::string_view key)
{
    // The key may lie in this object's members, which growing moves.
    Text ownKey(key);
    const std::size_t keyHash = hashOf(key);
    if (size_ == capacity() || !ownsMembers())
        ownWithRoomFor(std::max<std::size_t>(8, 2 * std::size_t { size_ }));
    std::construct_at(data_ + size_, std::move(ownKey), Value());
    ++size_;
    if (index_) {
        if (std::size_t { size_ } * 2 > slotCount(index_))
            rebuildIndex();
        else
            insertHashed(index_, keyHash, size_ - 1);
    } else if (size_ > kIndexThreshold) {
        rebuildIndex();
    }
    return data_[size_ - 1].value;
}

bool operator==(const Object& a, const Object& b)
{
    if (a.size() != b.size())
        return false;
    for (const Member& member : a) {
        const Value* other = b.find(member.key);
        if (!other || !(*other == member.value))
            return false;
    }
    return true;
}

} // namespace json
