#include "Value.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

using json::Array;
using json::Object;
using json::Value;

namespace {

std::string keysOf(const Object& object)
{
    std::string keys;
    for (const json::Member& member : object)
        keys += member.key.str() + ",";
    return keys;
}

TEST(Object, KeepsInsertionOrderAndReplacesInPlace)
{
    Object object;
    object.insertOrAssign("b", 1);
    object.insertOrAssign("a", 2);
    object.insertOrAssign("b", 3);
    EXPECT_EQ(keysOf(object), "b,a,");
    EXPECT_EQ(*object.find("b"), Value(3));
    EXPECT_EQ(object.find("c"), nullptr);
    object.entry("c") = "new";
    EXPECT_EQ(keysOf(object), "b,a,c,");
    EXPECT_EQ(*object.find("c"), Value("new"));
}

TEST(Object, LargeObjectsFindEveryKeyBeforeAndAfterCopying)
{
    Object object;
    for (int i = 0; i < 5000; ++i)
        object.insertOrAssign("k" + std::to_string(i), i);
    object.insertOrAssign("k17", "replaced");
    ASSERT_EQ(object.size(), 5000U);
    const Object copy = object;
    Object moved = Object(copy);
    for (int i = 0; i < 5000; i += 7) {
        const std::string key = "k" + std::to_string(i);
        const Value expected = i == 17 ? Value("replaced") : Value(i);
        EXPECT_EQ(*object.find(key), expected);
        EXPECT_EQ(*copy.find(key), expected);
        EXPECT_EQ(*moved.find(key), expected);
    }
    EXPECT_EQ(copy.find("k5000"), nullptr);
    EXPECT_EQ(copy.begin()[17].key, "k17");
}

TEST(Object, EqualityIgnoresMemberOrder)
{
    const Object a { { "x", 1 }, { "y", Array { true } } };
    const Object b { { "y", Array { true } }, { "x", 1 } };
    EXPECT_EQ(a, b);
    EXPECT_NE(a, (Object { { "x", 1 } }));
    EXPECT_NE(a, (Object { { "x", 1 }, { "y", Array { false } } }));
}

TEST(Array, AppendsItsOwnElementsWhileItGrows)
{
    Array array { "first", Array { 1, 2 } };
    for (int i = 0; i < 100; ++i) {
        array.emplace_back(array[0]);
        array.push_back(array[1]);
    }
    ASSERT_EQ(array.size(), 202U);
    for (std::size_t i = 0; i < array.size(); ++i)
        EXPECT_EQ(array[i], i % 2 == 0 ? Value("first") : Value(Array { 1, 2 })) << i;
    EXPECT_THROW(static_cast<void>(std::as_const(array).at(202)), std::out_of_range);
}

TEST(Value, KindsAreDistinct)
{
    EXPECT_NE(Value(true), Value(1));
    EXPECT_NE(Value(false), Value(0));
    EXPECT_NE(Value(), Value(0));
    EXPECT_NE(Value(), Value(""));
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_NE(Value(Array {}), Value(Object {}));
    EXPECT_EQ(Value(json::Foreign { "Date" }).typeName(), "Date");
    EXPECT_EQ(Value(Object {}).typeName(), "Object");
}

TEST(Value, EveryKindCopiesMovesAndReplacesEveryOther)
{
    const Value samples[]
        = { Value(), Value(true), Value(25), Value(std::string(40, 's')), Value(Array { "a", Array { 1 } }),
              Value(Object { { "k", std::string(20, 'v') } }), Value(json::Foreign { "Date" }) };
    for (const Value& from : samples) {
        for (const Value& to : samples) {
            Value copied = from;
            copied = to;
            EXPECT_EQ(copied, to);
            Value moved = Value(from);
            moved = Value(to);
            EXPECT_EQ(moved, to);
            const Value taken(std::move(moved));
            EXPECT_EQ(taken, to);
            EXPECT_EQ(moved.kind(), to.kind());
        }
    }
}

TEST(Value, AssignsFromItsOwnParts)
{
    const Value inner = Object { { "a", Array { 1, "two" } } };
    Value value = Array { inner };
    value = std::move((*value.asArray())[0]);
    EXPECT_EQ(value, inner);
    value = *value.asObject()->find("a");
    EXPECT_EQ(value, Value(Array { 1, "two" }));
    Value& alias = value;
    value = std::move(alias);
    EXPECT_EQ(value, Value(Array { 1, "two" }));
}

} // namespace
