#include "GameObject.h"
#include "ZQJsonParser.h"

#include <gtest/gtest.h>

using protocol::GameObject;
using protocol::readGameObject;

namespace {

std::optional<GameObject> read(std::string_view text)
{
    json::ZQJsonParser parser;
    const std::optional<json::Value> value = parser.objectWithStringAllowScalar(text, true);
    EXPECT_TRUE(value) << text;
    return readGameObject(value.value_or(json::Value()));
}

TEST(GameObject, ReadsIdCoordinatesNarrowedToFloatAndImage)
{
    const std::optional<GameObject> object = read(R"(["c17", -33.858771, 151.201596, "coin"])");
    ASSERT_TRUE(object);
    EXPECT_EQ(object->id, "c17");
    EXPECT_EQ(object->where.latitude, static_cast<double>(-33.858771F));
    EXPECT_EQ(object->where.longitude, static_cast<double>(151.201596F));
    EXPECT_EQ(object->imageName, "coin");
    EXPECT_FALSE(object->isPlayerHero());
}

TEST(GameObject, IgnoresEntriesAfterTheFourth)
{
    const std::optional<GameObject> object = read(R"(["me", 1.5, 2.5, "ms", "extra"])");
    ASSERT_TRUE(object);
    EXPECT_EQ(*object, (GameObject { "me", { 1.5, 2.5 }, "ms" }));
    EXPECT_TRUE(object->isPlayerHero());
    EXPECT_TRUE(read(R"(["me", 1, 2, "ma"])")->isPlayerHero());
}

TEST(GameObject, SkipsEntriesOfAnotherShape)
{
    const char* const shapes[] = {
        R"(["id", 1, 2])",
        R"([])",
        R"({"id":"x"})",
        R"("id")",
        R"(null)",
        R"([7, 1, 2, "coin"])",
        R"(["id", "1", 2, "coin"])",
        R"(["id", 1, null, "coin"])",
        R"(["id", 1, 2, 3])",
        R"(["id", true, 2, "coin"])",
        R"(["id", 1e39, 2, "coin"])",
        R"(["id", 1, -1e300, "coin"])",
    };
    for (const char* shape : shapes)
        EXPECT_FALSE(read(shape)) << shape;
}

} // namespace
