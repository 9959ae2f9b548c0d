#pragma once

#include "Decimal.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
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
    std::ptrdiff_t indexOf(std::string_view key) const;
    void appendMember(std::string&& key, Value&& value);
    // Sizes the index for at least `expectedSize` members (and all present ones) and fills it.
    void rebuildIndex(std::size_t expectedSize = 0);

    std::vector<Member> members_;
    // Open addressing over member positions, at most half full, in one allocation: element 0 holds
    // the number of slots (a power of two) that follow it; a slot holds position + 1, or 0 when empty.
    std::unique_ptr<std::uint32_t[]> index_;
};

// One JSON value: null, boolean, number, text, array, object, or a foreign value (see `Foreign`).
// Booleans are distinct from the numbers 1 and 0, and null is distinct from the absence of a value.
// A moved-from value keeps its kind, with its payload in the moved-from state of that payload.
class Value {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Number, String, Array, Object, Foreign };

    Value() noexcept { } // null
    Value(std::nullptr_t) noexcept { }
    template<std::same_as<bool> Boolean>
    Value(Boolean boolean) noexcept
        : boolean_(boolean)
        , kind_(Kind::Boolean)
    { }
    template<std::integral Integer>
    requires(!std::same_as<Integer, bool> && !std::same_as<Integer, char>) Value(Integer integer)
        : Value(Decimal::fromInt(static_cast<std::int64_t>(integer)))
    { }
    Value(Decimal number) noexcept
        : number_(number)
        , kind_(Kind::Number)
    { }
    Value(std::string text) noexcept
        : string_(std::move(text))
        , kind_(Kind::String)
    { }
    Value(std::string_view text)
        : Value(std::string(text))
    { }
    Value(const char* text)
        : Value(std::string(text))
    { }
    Value(Array array) noexcept
        : array_(std::move(array))
        , kind_(Kind::Array)
    { }
    Value(Object object) noexcept
        : object_(std::move(object))
        , kind_(Kind::Object)
    { }
    Value(Foreign foreign) noexcept
        : foreign_(std::move(foreign))
        , kind_(Kind::Foreign)
    { }

    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();

    // Replaces the value by an empty text and returns it, to be filled in place.
    std::string& emplaceString();

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // The payload when the value is of that kind, else null.
    const bool* asBoolean() const { return kind_ == Kind::Boolean ? &boolean_ : nullptr; }
    const Decimal* asNumber() const { return kind_ == Kind::Number ? &number_ : nullptr; }
    const std::string* asString() const { return kind_ == Kind::String ? &string_ : nullptr; }
    const Array* asArray() const { return kind_ == Kind::Array ? &array_ : nullptr; }
    Array* asArray() { return kind_ == Kind::Array ? &array_ : nullptr; }
    const Object* asObject() const { return kind_ == Kind::Object ? &object_ : nullptr; }
    Object* asObject() { return kind_ == Kind::Object ? &object_ : nullptr; }
    const Foreign* asForeign() const { return kind_ == Kind::Foreign ? &foreign_ : nullptr; }

    // The name of the value's kind as error texts show it ("Object", "Number", …; a foreign value's
    // own type name).
    std::string_view typeName() const;

    friend bool operator==(const Value& a, const Value& b);

private:
    // Takes over the payload of `other` into this value, whose payload has ended (or never began).
    void constructFrom(Value&& other) noexcept;
    void destroyPayload() noexcept;

    // A tagged union rather than std::variant: moving and destroying the values of a parsed tree is
    // a large part of parsing, and a plain switch keeps them inline.
    union {
        bool boolean_;
        Decimal number_;
        std::string string_;
        Array array_;
        Object object_;
        Foreign foreign_;
    };
    Kind kind_ = Kind::Null;
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

inline Value::Value(Value&& other) noexcept
{
    constructFrom(std::move(other));
}

inline Value& Value::operator=(Value&& other) noexcept
{
    if (this == &other)
        return *this;
    if (kind_ == Kind::Null) {
        constructFrom(std::move(other));
    } else {
        // `other` may live inside this value's payload: take it out before ending the payload.
        Value taken(std::move(other));
        destroyPayload();
        constructFrom(std::move(taken));
    }
    return *this;
}

inline Value::~Value()
{
    destroyPayload();
}

inline void Value::constructFrom(Value&& other) noexcept
{
    switch (other.kind_) {
    case Kind::Null:
        break;
    case Kind::Boolean:
        boolean_ = other.boolean_;
        break;
    case Kind::Number:
        std::construct_at(&number_, other.number_);
        break;
    case Kind::String:
        std::construct_at(&string_, std::move(other.string_));
        break;
    case Kind::Array:
        std::construct_at(&array_, std::move(other.array_));
        break;
    case Kind::Object:
        std::construct_at(&object_, std::move(other.object_));
        break;
    case Kind::Foreign:
        std::construct_at(&foreign_, std::move(other.foreign_));
        break;
    }
    kind_ = other.kind_;
}

inline void Value::destroyPayload() noexcept
{
    switch (kind_) {
    case Kind::Null:
    case Kind::Boolean:
    case Kind::Number:
        break;
    case Kind::String:
        std::destroy_at(&string_);
        break;
    case Kind::Array:
        std::destroy_at(&array_);
        break;
    case Kind::Object:
        std::destroy_at(&object_);
        break;
    case Kind::Foreign:
        std::destroy_at(&foreign_);
        break;
    }
    kind_ = Kind::Null;
}

inline Object::Object(Object&& other) noexcept = default;
inline Object& Object::operator=(Object&& other) noexcept = default;
inline Object::~Object() = default;

inline std::size_t Object::size() const
{
    return members_.size();
}

inline bool Object::empty() const
{
    return members_.empty();
}

} // namespace json
