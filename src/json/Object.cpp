#include "Value.h"

#include <algorithm>
#include <cstring>

namespace json {

namespace {

template<typename Word> Word load(const char* p)
{
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Keys are short; a multiply-mix over eight-byte words is plenty. Tails are read with fixed-size,
// overlapping loads.
std::size_t hashOf(std::string_view key)
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

Object::Object() = default;

Object::Object(std::initializer_list<Member> members)
{
    members_.reserve(members.size());
    for (const Member& member : members)
        insertOrAssign(member.key, member.value);
}

Object::Object(const Object& other)
    : members_(other.members_)
{
    if (other.index_)
        rebuildIndex();
}

Object& Object::operator=(const Object& other)
{
    if (this != &other) {
        members_ = other.members_;
        index_.reset();
        if (other.index_)
            rebuildIndex();
    }
    return *this;
}

void Object::reserve(std::size_t count)
{
    members_.reserve(count);
    if (count > kIndexThreshold && (!index_ || slotCount(index_.get()) < count * 2))
        rebuildIndex(count);
}

const Member* Object::begin() const
{
    return members_.data();
}

const Member* Object::end() const
{
    return members_.data() + members_.size();
}

std::ptrdiff_t Object::indexOf(std::string_view key) const
{
    if (!index_) {
        for (std::size_t i = 0; i < members_.size(); ++i) {
            const std::string& candidate = members_[i].key;
            if (candidate.size() == key.size() && std::string_view(candidate) == key)
                return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }
    std::uint32_t* slot = firstSlot(index_.get(), hashOf(key));
    while (const std::uint32_t entry = *slot) {
        if (members_[entry - 1].key == key)
            return static_cast<std::ptrdiff_t>(entry - 1);
        slot = nextSlot(index_.get(), slot);
    }
    return -1;
}

void Object::rebuildIndex(std::size_t expectedSize)
{
    std::size_t capacity = 64;
    while (capacity < std::max(members_.size(), expectedSize) * 2)
        capacity *= 2;
    index_ = std::make_unique<std::uint32_t[]>(capacity + 1);
    index_[0] = static_cast<std::uint32_t>(capacity);
    for (std::size_t i = 0; i < members_.size(); ++i)
        insertHashed(index_.get(), hashOf(members_[i].key), i);
}

const Value* Object::find(std::string_view key) const
{
    const std::ptrdiff_t position = indexOf(key);
    return position < 0 ? nullptr : &members_[static_cast<std::size_t>(position)].value;
}

Value* Object::find(std::string_view key)
{
    const std::ptrdiff_t position = indexOf(key);
    return position < 0 ? nullptr : &members_[static_cast<std::size_t>(position)].value;
}

Value& Object::entry(std::string key)
{
    const std::ptrdiff_t position = indexOf(key);
    if (position >= 0)
        return members_[static_cast<std::size_t>(position)].value;
    appendMember(std::move(key), Value());
    return members_.back().value;
}

void Object::insertOrAssign(std::string key, Value value)
{
    const std::ptrdiff_t position = indexOf(key);
    if (position >= 0)
        members_[static_cast<std::size_t>(position)].value = std::move(value);
    else
        appendMember(std::move(key), std::move(value));
}

void Object::appendMember(std::string&& key, Value&& value)
{
    members_.emplace_back(std::move(key), std::move(value));
    if (index_) {
        if (members_.size() * 2 > slotCount(index_.get()))
            rebuildIndex();
        else
            insertHashed(index_.get(), hashOf(members_.back().key), members_.size() - 1);
    } else if (members_.size() > kIndexThreshold) {
        rebuildIndex();
    }
}

void Object::assignMembers(Member* first, Member* last)
{
    members_.clear();
    index_.reset();
    const auto count = static_cast<std::size_t>(last - first);
    members_.reserve(count);
    if (count <= kIndexThreshold) {
        // Few members: compare hashes before keys.
        std::size_t hashes[kIndexThreshold];
        for (Member* member = first; member != last; ++member) {
            const std::size_t keyHash = hashOf(member->key);
            std::size_t position = 0;
            while (position < members_.size()
                && (hashes[position] != keyHash || members_[position].key != member->key))
                ++position;
            if (position < members_.size()) {
                members_[position].value = std::move(member->value);
            } else {
                hashes[position] = keyHash;
                members_.emplace_back(std::move(member->key), std::move(member->value));
            }
        }
        return;
    }
    rebuildIndex(count);
    for (Member* member = first; member != last; ++member) {
        std::uint32_t* slot = firstSlot(index_.get(), hashOf(member->key));
        std::uint32_t entry;
        while ((entry = *slot) != 0 && members_[entry - 1].key != member->key)
            slot = nextSlot(index_.get(), slot);
        if (entry != 0) {
            members_[entry - 1].value = std::move(member->value);
        } else {
            *slot = static_cast<std::uint32_t>(members_.size() + 1);
            members_.emplace_back(std::move(member->key), std::move(member->value));
        }
    }
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
