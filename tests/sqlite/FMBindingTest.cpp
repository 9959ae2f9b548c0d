#include "FMDatabase.h"
#include "FMResultSet.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace fmdb {
namespace {

using namespace std::string_literals;

struct BindingCase {
    const char* name;
    FMValue value;
    const char* column; // declared type of the column it is stored in
    const char* storedType;
    const char* quoted; // quote() of the stored value
};

void PrintTo(const BindingCase& binding, std::ostream* out)
{
    *out << binding.name;
}

class FMBindingTest : public ::testing::TestWithParam<BindingCase> { };

TEST_P(FMBindingTest, StoresTheValueAsItsKindSays)
{
    const BindingCase& binding = GetParam();
    vantry::test::ScratchFolder folder;
    FMDatabase db(folder.file("binding.sqlite"));
    ASSERT_TRUE(db.open());
    ASSERT_TRUE(db.executeUpdate("CREATE TABLE t (v "s + binding.column + ")"));

    ASSERT_TRUE(db.executeUpdate("INSERT INTO t VALUES (?)", binding.value));

    const auto resultSet = db.executeQuery("SELECT typeof(v), quote(v) FROM t");
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_EQ(resultSet->stringForColumnIndex(0), binding.storedType);
    EXPECT_EQ(resultSet->stringForColumnIndex(1), binding.quoted);
}

const std::uint64_t uint64Max = std::numeric_limits<std::uint64_t>::max();
const std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

INSTANTIATE_TEST_SUITE_P(Kinds, FMBindingTest,
    ::testing::Values(BindingCase { "Null", nullptr, "", "null", "NULL" },
        BindingCase { "NullText", static_cast<const char*>(nullptr), "", "null", "NULL" },
        BindingCase { "True", true, "", "integer", "1" }, BindingCase { "False", false, "", "integer", "0" },
        BindingCase { "Int", 7, "", "integer", "7" }, BindingCase { "NegativeInt", -5, "", "integer", "-5" },
        BindingCase { "Float", 1.5f, "", "real", "1.5" }, BindingCase { "Double", 2.75, "", "real", "2.75" },
        BindingCase { "Text", "h\xc3\xa9llo", "", "text", "'h\xc3\xa9llo'" },
        BindingCase { "EmptyText", "", "", "text", "''" },
        BindingCase { "Data", FMBytes { 1, 2, 255 }, "", "blob", "X'0102FF'" },
        BindingCase { "EmptyData", FMBytes {}, "", "blob", "X''" },
        BindingCase { "Date", FMDate(FMDate::duration(1500000000.25)), "", "real", "1500000000.25" },
        BindingCase { "Int64AsText", std::int64_t { 123 }, "", "text", "'123'" },
        BindingCase { "Int64InIntegerColumn", int64Min, "INTEGER", "integer", "-9223372036854775808" },
        BindingCase { "UInt32AsText", 4000000000u, "", "text", "'4000000000'" },
        BindingCase { "UInt32InIntegerColumn", 4000000000u, "INTEGER", "integer", "4000000000" },
        BindingCase { "UInt64AsText", uint64Max, "", "text", "'18446744073709551615'" },
        // Beyond the signed range SQLite has no integer: the text becomes a real.
        BindingCase {
            "UInt64MaxInIntegerColumn", uint64Max, "INTEGER", "real", "1.84467440737095516156e+19" },
        BindingCase { "ShortAsText", static_cast<short>(-3), "", "text", "'-3'" },
        BindingCase { "LongAsText", 5L, "", "text", "'5'" }),
    [](const ::testing::TestParamInfo<BindingCase>& info) { return std::string(info.param.name); });

TEST(FMBindingTest, FloatIsWidenedNotRounded)
{
    vantry::test::ScratchFolder folder;
    FMDatabase db(folder.file("float.sqlite"));
    ASSERT_TRUE(db.open());
    const auto resultSet = db.executeQuery("SELECT ?", 0.1f);
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_EQ(resultSet->doubleForColumnIndex(0), static_cast<double>(0.1f));
}

TEST(FMBindingTest, TextWithNulIsStoredWhole)
{
    vantry::test::ScratchFolder folder;
    FMDatabase db(folder.file("nul.sqlite"));
    ASSERT_TRUE(db.open());
    const std::string text("a\0b", 3);
    const auto resultSet = db.executeQuery("SELECT hex(?), ?", text, text);
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_EQ(resultSet->stringForColumnIndex(0), "610062");
    EXPECT_EQ(resultSet->stringForColumnIndex(1), text);
}

// The tile cache keys its rows by unsigned 64-bit numbers and trims them with
// an unsigned LIMIT: both reach SQLite as decimal text. Another program must
// see plain integer keys in the file.
TEST(FMBindingTest, UnsignedKeysAreIntegersToOtherReaders)
{
    vantry::test::ScratchFolder folder;
    const std::string path = folder.file("keys.sqlite");
    {
        FMDatabase db(path);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(
            db.executeUpdate("CREATE TABLE ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE)"));
        for (const std::uint64_t key : { 0x0123456789abcdefull, 7ull, 0x7fffffffffffffffull })
            ASSERT_TRUE(
                db.executeUpdate("INSERT INTO ZCACHE VALUES (?, ?)", key, static_cast<double>(key % 1000)));
        ASSERT_TRUE(db.executeUpdate(
            "DELETE FROM ZCACHE WHERE ztileHash IN (SELECT ztileHash FROM ZCACHE ORDER BY zlastUsed LIMIT ?)",
            1u));
    }
    EXPECT_EQ(vantry::test::runSqliteShell(
                  path, "SELECT typeof(ztileHash), ztileHash FROM ZCACHE ORDER BY ztileHash"),
        "integer|81985529216486895\ninteger|9223372036854775807\n");
}

TEST(FMValueTest, DescriptionsFollowThePlatform)
{
    EXPECT_EQ(FMValue().description(), "<null>");
    EXPECT_EQ(FMValue(FMBytes { 1, 2, 3, 4, 0xab }).description(), "<01020304 ab>");
    EXPECT_EQ(FMValue(FMDate(FMDate::duration(978307200.9))).description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(FMValue(true).description(), "1");
    EXPECT_EQ(FMValue(1.5f).description(), "1.5");
    EXPECT_EQ(FMValue(0.1).description(), "0.1");
    EXPECT_EQ(FMValue(uint64Max).description(), "18446744073709551615");
}

} // namespace
} // namespace fmdb
