#include "PropertyList.h"

#include <plist/plist.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>

using platform::Data;
using platform::PropertyList;

namespace {

const char* const kConfiguration = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>caches</key>
  <array>
    <dict>
      <key>type</key><string>memory-cache</string>
      <key>capacity</key><integer>32</integer>
    </dict>
    <dict>
      <key>type</key><string>db-cache</string>
      <key>capacity</key><integer>-4</integer>
      <key>strategy</key><string>lru</string>
      <key>useCachesDirectory</key><true/>
      <key>ratio</key><real>0.25</real>
    </dict>
    <string>not a dictionary</string>
  </array>
  <key>created</key><date>2001-01-02T00:00:00Z</date>
  <key>blob</key><data>AAEC/w==</data>
  <key>huge</key><integer>18446744073709551615</integer>
  <key>caf&#233;</key><string>d&#233;j&#224; vu</string>
</dict>
</plist>
)";

// The same tree written by the property list library in binary form.
Data toBinary(const char* xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml, static_cast<std::uint32_t>(std::strlen(xml)), &root);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    Data data(std::span(reinterpret_cast<const std::uint8_t*>(bytes), length));
    plist_to_bin_free(bytes);
    plist_free(root);
    return data;
}

void expectConfiguration(const PropertyList& root)
{
    ASSERT_EQ(root.type(), PropertyList::Type::Dictionary);
    const PropertyList* caches = root.valueForKey("caches");
    ASSERT_NE(caches, nullptr);
    ASSERT_NE(caches->array(), nullptr);
    ASSERT_EQ(caches->array()->size(), 3u);

    const PropertyList& memory = caches->array()->at(0);
    EXPECT_EQ(*memory.valueForKey("type")->string(), "memory-cache");
    EXPECT_EQ(memory.valueForKey("capacity")->integer(), 32);

    const PropertyList& database = caches->array()->at(1);
    EXPECT_EQ(database.valueForKey("capacity")->integer(), -4);
    EXPECT_EQ(database.valueForKey("useCachesDirectory")->boolean(), true);
    EXPECT_EQ(database.valueForKey("ratio")->real(), 0.25);
    EXPECT_EQ(database.valueForKey("missing"), nullptr);
    EXPECT_EQ(caches->array()->at(2).valueForKey("type"), nullptr) << "a string has no keys";

    EXPECT_EQ(root.valueForKey("created")->date()->secondsSince1970, 978307200.0 + 86400.0);
    const Data* blob = root.valueForKey("blob")->data();
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(*blob, Data(std::vector<std::uint8_t> { 0, 1, 2, 255 }));
    EXPECT_EQ(root.valueForKey("huge")->unsignedIntegerValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(*root.valueForKey("caf\xc3\xa9")->string(), "d\xc3\xa9j\xc3\xa0 vu");
}

} // namespace

TEST(PropertyList, ReadsXmlAndBinaryDataAndFiles)
{
    std::string error;
    const auto fromXml = PropertyList::fromData(Data::fromString(kConfiguration), &error);
    ASSERT_TRUE(fromXml) << error;
    expectConfiguration(*fromXml);

    const Data binary = toBinary(kConfiguration);
    ASSERT_EQ(binary.view().substr(0, 8), "bplist00");
    const auto fromBinary = PropertyList::fromData(binary, &error);
    ASSERT_TRUE(fromBinary) << error;
    EXPECT_EQ(*fromBinary, *fromXml);

    QTemporaryDir folder;
    const std::string path = folder.filePath("routeme.plist").toStdString();
    std::ofstream(path, std::ios::binary) << binary.view();
    const auto fromFile = PropertyList::readFile(path);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(*fromFile, *fromXml);
}

TEST(PropertyList, MissingOrUnreadableFileGivesNothingWithTheReason)
{
    QTemporaryDir folder;
    std::string error;
    EXPECT_FALSE(PropertyList::readFile(folder.filePath("missing.plist").toStdString(), &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(PropertyList::readFile(folder.path().toStdString(), &error));
    EXPECT_EQ(error, "Is a directory");
}

TEST(PropertyList, MalformedInputGivesNothingWithTheReason)
{
    const Data binary = toBinary(kConfiguration);
    const std::string xml = kConfiguration;
    const Data hostile[] = {
        Data(),
        Data::fromString("plain text"),
        Data::fromString(xml.substr(0, xml.size() / 2)),
        Data::fromString("<plist><dict><key>a</key></dict></plist>"),
        binary.subdata(0, binary.size() / 2),
        binary.subdata(0, 8),
        Data::fromString(std::string("bplist00") + std::string(40, '\xff')),
    };
    for (const Data& bytes : hostile) {
        std::string error;
        const auto result = PropertyList::fromData(bytes, &error);
        if (result)
            continue; // a lenient parse of a damaged file is fine, a crash is not
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_FALSE(PropertyList::fromData(Data::fromString("plain text"), &error));
    EXPECT_EQ(error, "the data is not a property list in XML or binary format");
}

// Regression: libplist aborted the program (a failed assertion) on a binary
// dictionary key holding a NUL character.
TEST(PropertyList, RefusesBinaryTextsHoldingNul)
{
    const std::uint8_t asciiKey[] = { 0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd1, 0x01, 0x02, 0x53,
        0x61, 0x00, 0x62, 0x10, 0x01, 0x08, 0x0b, 0x0f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x11 };
    const std::uint8_t utf16Key[] = { 0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd1, 0x01, 0x02, 0x56,
        0x63, 0x61, 0x63, 0x68, 0x65, 0x73, 0xa1, 0x03, 0xd1, 0x04, 0x05, 0x62, 0x12, 0x00, 0x00, 0x00, 0x10,
        0x01, 0x08, 0x0b, 0x12, 0x14, 0x17, 0x1c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x1e };
    for (const std::span<const std::uint8_t> bytes :
        { std::span<const std::uint8_t>(asciiKey), std::span<const std::uint8_t>(utf16Key) }) {
        std::string error;
        EXPECT_FALSE(PropertyList::fromData(Data(bytes), &error));
        EXPECT_EQ(error, "the property list holds a text with a NUL character");
    }
}

TEST(PropertyList, RefusesNestingDeeperThanItCanSafelyWalk)
{
    std::string xml = "<plist version=\"1.0\">";
    for (int i = 0; i < 2000; ++i)
        xml += "<array>";
    for (int i = 0; i < 2000; ++i)
        xml += "</array>";
    xml += "</plist>";
    std::string error;
    EXPECT_FALSE(PropertyList::fromData(Data::fromString(xml), &error));
    EXPECT_FALSE(error.empty());
}

TEST(PropertyList, NumberReadingsFollowThePlatformsNumbers)
{
    struct Case {
        PropertyList value;
        std::optional<std::int64_t> integer;
        std::optional<bool> truth;
    };
    const Case cases[] = {
        { PropertyList(42), 42, true },
        { PropertyList(0), 0, false },
        { PropertyList(-7.9), -7, true },
        { PropertyList(1e300), std::numeric_limits<std::int64_t>::max(), true },
        { PropertyList(true), 1, true },
        { PropertyList(false), 0, false },
        { PropertyList("  -12abc"), -12, true },
        { PropertyList("abc"), 0, false },
        { PropertyList("YES"), 0, true },
        { PropertyList("+007"), 7, true },
        { PropertyList("99999999999999999999999"), std::numeric_limits<std::int64_t>::max(), true },
        { PropertyList(PropertyList::Array {}), std::nullopt, std::nullopt },
        { PropertyList(Data()), std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.integerValue(), c.integer) << static_cast<int>(c.value.type());
        EXPECT_EQ(c.value.boolValue(), c.truth) << static_cast<int>(c.value.type());
    }
    EXPECT_EQ(PropertyList(-1).unsignedIntegerValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(PropertyList("5").integer(), std::nullopt) << "the typed accessors never convert";
}
