#pragma once

#include "Decimal.h"
#include "Text.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace json {

// The JSON value family. Value, Array, Object and Member refer to each other, so they share this
// header.
//
// Values made by callers own their contents, and copies are deep. Values the parser makes live in a
// Document and refer to its memory: the texts, numbers, arrays and objects of a parsed tree are
// neither allocated one by one nor destroyed one by one. A parsed tree can still be changed: an
// array or object first moves its members (as bytes, not their contents) into memory of its own.
// Copying or moving a value out of a document gives a value of its own, so only references into a
// document's tree can outlive it.

class Value;
struct Member;
class ZQJsonParser;
class ZQJsonWriter;

// A value the codec can hold but not write: it stands for an object of some other kind that a caller
// placed in a tree (the writer reports it by `typeName`). The parser never makes one.
struct Foreign {
    std::string typeName;
    friend bool operator==(const Foreign&, const Foreign&) = default;
};

// An ordered list of values, shaped like std::vector for the operations the codec's users need.
class Array {
public:
    Array() = default;
    Array(std::initializer_list<Value> elements);
    Array(const Array& other);
    Array(Array&& other) noexcept;
    Array& operator=(const Array& other);
    Array& operator=(Array&& other) noexcept;
    ~Array();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void reserve(std::size_t count);

    const Value* begin() const { return data_; }
    const Value* end() const;
    const Value& operator[](std::size_t position) const;
    const Value& front() const { return *begin(); }
    const Value& back() const;
    // The element at `position`; std::out_of_range beyond the end.
    const Value& at(std::size_t position) const;
    Value* begin();
    Value* end();
    Value& operator[](std::size_t position);

    template<typename... Arguments> Value& emplace_back(Arguments&&... arguments);
    void push_back(Value value);

    friend bool operator==(const Array& a, const Array& b);

private:
    friend class ZQJsonParser;
    friend class Value;

    std::uint32_t capacity() const { return capacity_ & ~kReferringBit; }
    bool ownsElements() const { return capacity() != 0; }
    // Whether moving the array may take its elements over: they are its own, and none of them came
    // from a document (whose parts may refer into it).
    bool canBeTakenOver() const { return capacity_ != 0 && (capacity_ & kReferringBit) == 0; }
    // Gives the array elements of its own with room for at least `count`, moving the present ones.
    void ownWithRoomFor(std::size_t count);
    Value& appendSlot();
    void appendCopiesOf(const Value* first, const Value* last);
    void release() noexcept;

    static constexpr std::uint32_t kReferringBit = 0x8000'0000;

    Value* data_ = nullptr;
    std::uint32_t size_ = 0;
    // 0 with elements: they lie in a document's memory. `kReferringBit` set: elements of a
    // document's array were moved here, and may still refer into that document.
    std::uint32_t capacity_ = 0;
};

// A dictionary with text keys. Members stay in the order they were first inserted, so writing is
// deterministic; assigning to an existing key replaces its value in place. Lookups scan small objects
// and use a hash index once an object has more than `kIndexThreshold` members.
class Object {
public:
    static constexpr std::size_t kIndexThreshold = 16;

    Object() = default;
    Object(std::initializer_list<Member> members);
    Object(const Object& other);
    Object(Object&& other) noexcept;
    Object& operator=(const Object& other);
    Object& operator=(Object&& other) noexcept;
    ~Object();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Makes room for `count` members (and sizes the key index for them), so that inserting that
    // many allocates nothing more.
    void reserve(std::size_t count);

    // The value under `key`, or null when there is none.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);

    // The value under `key`; a null value appended under `key` when there was none. The reference
    // stays valid until the next insertion.
    Value& entry(std::string_view key);
    void insertOrAssign(std::string_view key, Value value);

    const Member* begin() const { return data_; }
    const Member* end() const;

    // Same keys with equal values; member order does not matter.
    friend bool operator==(const Object& a, const Object& b);

    // The hash the key index uses; exposed for the parser, which builds indexes of its own.
    static std::size_t hashOf(std::string_view key);

private:
    friend class ZQJsonParser;
    friend class Value;

    std::uint32_t capacity() const { return capacity_ & ~kReferringBit; }
    bool ownsMembers() const { return capacity() != 0; }
    // As Array::canBeTakenOver.
    bool canBeTakenOver() const { return capacity_ != 0 && (capacity_ & kReferringBit) == 0; }
    std::ptrdiff_t indexOf(std::string_view key) const;
    void ownWithRoomFor(std::size_t count);
    void appendCopiesOf(const Object& other);
    Value& appendMember(std::string_view key);
    // Sizes the index for the present members (at least `expectedSize`) and fills it.
    void rebuildIndex(std::size_t expectedSize = 0);
    void release() noexcept;

    static constexpr std::uint32_t kReferringBit = 0x8000'0000;

    Member* data_ = nullptr;
    std::uint32_t size_ = 0;
    // 0 with members: they (and the index) lie in a document's memory. `kReferringBit`: as in Array.
    std::uint32_t capacity_ = 0;
    // Open addressing over member positions, at most half full: element 0 holds the number of slots
    // (a power of two) that follow it; a slot holds position + 1, or 0 when empty. Null up to
    // `kIndexThreshold` members.
    std::uint32_t* index_ = nullptr;
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
    Value(Text text) noexcept
        : string_(std::move(text))
        , kind_(Kind::String)
    { }
    Value(std::string_view text)
        : Value(Text(text))
    { }
    Value(const std::string& text)
        : Value(Text(text))
    { }
    Value(const char* text)
        : Value(Text(text))
    { }
    Value(Array array) noexcept
        : array_(std::move(array))
        , kind_(Kind::Array)
    { }
    Value(Object object) noexcept
        : object_(std::move(object))
        , kind_(Kind::Object)
    { }
    Value(Foreign foreign);

    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value() { destroyPayload(); }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // The payload when the value is of that kind, else none (or null).
    std::optional<bool> asBoolean() const
    {
        return kind_ == Kind::Boolean ? std::optional<bool>(boolean_) : std::nullopt;
    }
    // A parsed number is kept as its text and read when asked; the result is exact either way.
    std::optional<Decimal> asNumber() const;
    // The text of a parsed number when it is the very text its value writes (as Decimal::writeTo),
    // so that writers can copy it; else none.
    std::optional<std::string_view> asWrittenNumberText() const
    {
        return kind_ == Kind::Number && numberForm_ == NumberForm::WrittenText ? std::optional(numberText_)
                                                                               : std::nullopt;
    }
    std::optional<std::string_view> asString() const
    {
        return kind_ == Kind::String ? std::optional(string_.view()) : std::nullopt;
    }
    const Array* asArray() const { return kind_ == Kind::Array ? &array_ : nullptr; }
    Array* asArray() { return kind_ == Kind::Array ? &array_ : nullptr; }
    const Object* asObject() const { return kind_ == Kind::Object ? &object_ : nullptr; }
    Object* asObject() { return kind_ == Kind::Object ? &object_ : nullptr; }
    const Foreign* asForeign() const { return kind_ == Kind::Foreign ? foreign_ : nullptr; }

    // The name of the value's kind as error texts show it ("Object", "Number", …; a foreign value's
    // own type name).
    std::string_view typeName() const;

    friend bool operator==(const Value& a, const Value& b);

protected:
    // Takes over the bytes of `other`, which becomes null; for moving a document's root, whose
    // parts stay where they are.
    void relocateFrom(Value& other) noexcept
    {
        // No part of a value points into the value itself, so its bytes move as they are.
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(Value));
        other.kind_ = Kind::Null;
        other.numberForm_ = NumberForm::Decimal;
    }

private:
    friend class ZQJsonParser;
    friend class ZQJsonWriter;
    friend class Array;
    friend class Object;

    // Copies or moves the payload of `other` (a `const Value&` or a `Value&&`) into this value,
    // which holds none.
    template<typename Source> void constructFrom(Source&& other);
    void destroyPayload() noexcept;
    bool isNumberText() const { return numberForm_ != NumberForm::Decimal; }

    // A tagged union rather than std::variant: a parsed tree is built and read by plain switches, and
    // the parts that live in a document's memory are copied as bytes.
    union {
        bool boolean_;
        Decimal number_;
        std::string_view numberText_;
        Text string_;
        Array array_;
        Object object_;
        Foreign* foreign_; // owned
    };
    // How a number is held: as a Decimal, or as its text in a document (which may also be the text
    // its value writes).
    enum class NumberForm : std::uint8_t { Decimal, Text, WrittenText };

    Kind kind_ = Kind::Null;
    NumberForm numberForm_ = NumberForm::Decimal;
};

struct Member {
    Member() = default;
    Member(Text key, Value value) noexcept
        : key(std::move(key))
        , value(std::move(value))
    { }

    Text key;
    Value value;
};

inline void Value::destroyPayload() noexcept
{
    switch (kind_) {
    case Kind::Null:
    case Kind::Boolean:
    case Kind::Number:
        break;
    case Kind::String:
        string_.~Text();
        break;
    case Kind::Array:
        array_.~Array();
        break;
    case Kind::Object:
        object_.~Object();
        break;
    case Kind::Foreign:
        delete foreign_;
        break;
    }
    kind_ = Kind::Null;
    numberForm_ = NumberForm::Decimal;
}

inline const Value* Array::end() const
{
    return data_ + size_;
}

inline const Value& Array::operator[](std::size_t position) const
{
    return data_[position];
}

inline const Value& Array::back() const
{
    return data_[size_ - 1];
}

inline const Member* Object::end() const
{
    return data_ + size_;
}

template<typename... Arguments> Value& Array::emplace_back(Arguments&&... arguments)
{
    Value made(std::forward<Arguments>(arguments)...);
    Value& slot = appendSlot();
    slot = std::move(made);
    return slot;
}

} // namespace json
