#pragma once

#include "Decimal.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace json {

// The JSON value family. Value, Array, Object and Member refer to each other, so they share this
// header. All of them own their contents; copies are deep.

class Value;
struct Member;

// An ordered list of values.
using Array = std::vector<Value>;

// A value the codec can hold but not write: it stands for an object of some other kind that a caller
// placed in a tree (the writer reports it by `typeName`). The parser never makes one.
struct Foreign {
    std::string typeName;
    friend bool operator==(const Foreign&, const Foreign&) = default;
};

// A dictionary with text keys. Members stay in the order they were first inserted, so writing is
// deterministic; assigning to an existing key replaces its value in place. Lookups scan small objects
// and use a hash index once an object has more than `kIndexThreshold` members.
class Object {
public:
    static constexpr std::size_t kIndexThreshold = 16;

    Object();
    Object(std::initializer_list<Member> members);
    Object(const Object& other);
    Object(Object&& other) noexcept;
    Object& operator=(const Object& other);
    Object& operator=(Object&& other) noexcept;
    ~Object();

    std::size_t size() const;
    bool empty() const;
    // Makes room for `count` members (and sizes the key index for them), so that inserting that
    // many allocates nothing more.
    void reserve(std::size_t count);

    // The value under `key`, or null when there is none.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);

    // The value under `key`; a null value appended under `key` when there was none. The reference
    // stays valid until the next insertion.
    Value& entry(std::string key);
    void insertOrAssign(std::string key, Value value);
    // Replaces the contents by the members of [first, last), moved out of them in order; a later
    // member with the key of an earlier one replaces that one's value in its place.
    void assignMembers(Member* first, Member* last);

    const Member* begin() const;
    const Member* end() const;

    // Same keys with equal values; member order does not matter.
    friend bool operator==(const Object& a, const Object& b);

private:
    struct Index;
    std::ptrdiff_t indexOf(std::string_view key) const;
    void appendMember(std::string&& key, Value&& value);
    // Sizes the index for at least `expectedSize` members (and all present ones) and fills it.
    void rebuildIndex(std::size_t expectedSize = 0);

    std::vector<Member> members_;
    std::unique_ptr<Index> index_;
};

// One JSON value: null, boolean, number, text, array, object, or a foreign value (see `Foreign`).
// Booleans are distinct from the numbers 1 and 0, and null is distinct from the absence of a value.
class Value {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Number, String, Array, Object, Foreign };

    Value() noexcept = default; // null
    Value(std::nullptr_t) noexcept { }
    template<std::same_as<bool> Boolean>
    Value(Boolean boolean) noexcept
        : storage_(boolean)
    { }
    template<std::integral Integer>
    requires(!std::same_as<Integer, bool> && !std::same_as<Integer, char>) Value(Integer integer)
        : storage_(Decimal::fromInt(static_cast<std::int64_t>(integer)))
    { }
    Value(Decimal number) noexcept
        : storage_(number)
    { }
    Value(std::string text) noexcept
        : storage_(std::move(text))
    { }
    Value(std::string_view text)
        : storage_(std::string(text))
    { }
    Value(const char* text)
        : storage_(std::string(text))
    { }
    Value(Array array) noexcept
        : storage_(std::move(array))
    { }
    Value(Object object) noexcept
        : storage_(std::move(object))
    { }
    Value(Foreign foreign) noexcept
        : storage_(std::move(foreign))
    { }

    // Replaces the value by an empty text and returns it, to be filled in place.
    std::string& emplaceString() { return storage_.emplace<std::string>(); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // The payload when the value is of that kind, else null.
    const bool* asBoolean() const { return std::get_if<bool>(&storage_); }
    const Decimal* asNumber() const { return std::get_if<Decimal>(&storage_); }
    const std::string* asString() const { return std::get_if<std::string>(&storage_); }
    const Array* asArray() const { return std::get_if<Array>(&storage_); }
    Array* asArray() { return std::get_if<Array>(&storage_); }
    const Object* asObject() const { return std::get_if<Object>(&storage_); }
    Object* asObject() { return std::get_if<Object>(&storage_); }
    const Foreign* asForeign() const { return std::get_if<Foreign>(&storage_); }

    // The name of the value's kind as error texts show it ("Object", "Number", …; a foreign value's
    // own type name).
    std::string_view typeName() const;

    friend bool operator==(const Value& a, const Value& b) { return a.storage_ == b.storage_; }

private:
    std::variant<std::monostate, bool, Decimal, std::string, Array, Object, Foreign> storage_;
};

struct Member {
    Member() = default;
    Member(std::string key, Value value) noexcept
        : key(std::move(key))
        , value(std::move(value))
    { }

    std::string key;
    Value value;
};

inline std::size_t Object::size() const
{
    return members_.size();
}

inline bool Object::empty() const
{
    return members_.empty();
}

} // namespace json
