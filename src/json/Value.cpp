#include "Value.h"

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

namespace json {

namespace {

Decimal decimalOf(std::string_view numberText)
{
    // The parser only keeps texts that read as numbers.
    return Decimal::fromString(numberText).value_or(Decimal());
}

} // namespace

Value::Value(Foreign foreign)
    : foreign_(new Foreign(std::move(foreign)))
    , kind_(Kind::Foreign)
{ }

template<typename Source> void Value::constructFrom(Source&& other)
{
    constexpr bool moving = std::is_rvalue_reference_v<Source&&>;
    switch (other.kind_) {
    case Kind::Null:
        break;
    case Kind::Boolean:
        boolean_ = other.boolean_;
        break;
    case Kind::Number:
        std::construct_at(&number_, other.isNumberText() ? decimalOf(other.numberText_) : other.number_);
        break;
    case Kind::String:
        std::construct_at(&string_, std::forward<Source>(other).string_);
        break;
    case Kind::Array:
        std::construct_at(&array_, std::forward<Source>(other).array_);
        break;
    case Kind::Object:
        std::construct_at(&object_, std::forward<Source>(other).object_);
        break;
    case Kind::Foreign:
        if constexpr (moving)
            foreign_ = new Foreign(std::move(*other.foreign_));
        else
            foreign_ = new Foreign(*other.foreign_);
        break;
    }
    kind_ = other.kind_;
}

Value::Value(const Value& other)
{
    constructFrom(other);
}

Value::Value(Value&& other) noexcept
{
    constructFrom(std::move(other));
}

Value& Value::operator=(const Value& other)
{
    if (this != &other)
        *this = Value(other);
    return *this;
}

Value& Value::operator=(Value&& other) noexcept
{
    if (this == &other)
        return *this;
    // `other` may live inside this value's payload: take it out before ending the payload.
    Value taken(std::move(other));
    destroyPayload();
    relocateFrom(taken);
    return *this;
}

std::optional<Decimal> Value::asNumber() const
{
    if (kind_ != Kind::Number)
        return std::nullopt;
    return isNumberText() ? decimalOf(numberText_) : number_;
}

bool operator==(const Value& a, const Value& b)
{
    if (a.kind_ != b.kind_)
        return false;
    switch (a.kind_) {
    case Value::Kind::Null:
        return true;
    case Value::Kind::Boolean:
        return a.boolean_ == b.boolean_;
    case Value::Kind::Number:
        return *a.asNumber() == *b.asNumber();
    case Value::Kind::String:
        return a.string_ == b.string_;
    case Value::Kind::Array:
        return a.array_ == b.array_;
    case Value::Kind::Object:
        return a.object_ == b.object_;
    case Value::Kind::Foreign:
        return *a.foreign_ == *b.foreign_;
    }
    return false;
}

std::string_view Value::typeName() const
{
    switch (kind()) {
    case Kind::Null:
        return "Null";
    case Kind::Boolean:
        return "Boolean";
    case Kind::Number:
        return "Number";
    case Kind::String:
        return "String";
    case Kind::Array:
        return "Array";
    case Kind::Object:
        return "Object";
    case Kind::Foreign:
        return asForeign()->typeName;
    }
    return {};
}

} // namespace json
