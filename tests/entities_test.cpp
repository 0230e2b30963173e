#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "html/HtmlParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

std::string decoded(std::string s)
{
    decodeEntities(s);
    return s;
}

std::string utf8(std::uint32_t cp)
{
    char buffer[4];
    return std::string(buffer, static_cast<std::size_t>(encodeUtf8(cp, buffer)));
}

class Entities : public ::testing::Test {
protected:
    // The first parser constructed fills the table.
    void SetUp() override { HtmlParser parser; }
};

}  // namespace

TEST_F(Entities, TableHoldsTheFullList)
{
    ASSERT_EQ(EntityTable.size(), 253u);
    EXPECT_EQ(EntityTable.at("quot"), 34);
    EXPECT_EQ(EntityTable.at("amp"), 38);
    EXPECT_EQ(EntityTable.at("apos"), 39);
    EXPECT_EQ(EntityTable.at("lt"), 60);
    EXPECT_EQ(EntityTable.at("gt"), 62);
    EXPECT_EQ(EntityTable.at("nbsp"), 160);
    EXPECT_EQ(EntityTable.at("euro"), 8364);
    EXPECT_EQ(EntityTable.at("hellip"), 8230);
    EXPECT_EQ(EntityTable.at("diams"), 9830);
    // Spot checks across the three sets; the sum catches any mistyped value.
    EXPECT_EQ(EntityTable.at("yuml"), 255);
    EXPECT_EQ(EntityTable.at("Yuml"), 376);
    EXPECT_EQ(EntityTable.at("sigmaf"), 962);
    EXPECT_EQ(EntityTable.at("thetasym"), 977);
    EXPECT_EQ(EntityTable.at("image"), 8465);
    EXPECT_EQ(EntityTable.at("lang"), 9001);
    std::int64_t sum = 0;
    for (const auto& [name, cp] : EntityTable)
        sum += cp;
    EXPECT_EQ(sum, 868281);
}

TEST_F(Entities, FillingHappensOnlyIntoAnEmptyTable)
{
    auto saved = EntityTable;
    EntityTable.clear();
    EntityTable.emplace("x", 120);
    fillEntityTable();
    EXPECT_EQ(EntityTable.size(), 1u);
    { HtmlParser another; }
    EXPECT_EQ(EntityTable.size(), 1u);

    EntityTable.clear();
    fillEntityTable();
    EXPECT_EQ(EntityTable, saved);
}

TEST_F(Entities, NoReplacementIsLongerThanItsReference)
{
    // Decoding in place relies on this.
    for (const auto& [name, cp] : EntityTable) {
        const std::size_t bytes = cp < 128 ? 1 : utf8(static_cast<std::uint32_t>(cp)).size();
        EXPECT_LE(bytes, name.size() + 1) << name;
    }
}

TEST_F(Entities, NamedReferences)
{
    EXPECT_EQ(decoded("&lt;b&gt;"), "<b>");
    EXPECT_EQ(decoded("&quot;x&quot;"), "\"x\"");
    EXPECT_EQ(decoded("&apos;"), "'");
    EXPECT_EQ(decoded("&nbsp;"), "\xC2\xA0");
    EXPECT_EQ(decoded("&euro;"), "\xE2\x82\xAC");
    EXPECT_EQ(decoded("a&amp b"), "a& b");
    EXPECT_EQ(decoded("x&amp"), "x&");
    EXPECT_EQ(decoded("&lt&gt"), "<>");
}

TEST_F(Entities, NumericReferences)
{
    for (const char* a : {"&#65;", "&#x41;", "&#X41", "&#65", "&#0065;", "&#x0041"})
        EXPECT_EQ(decoded(a), "A") << a;
    EXPECT_EQ(decoded("&#128512;"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(decoded("&#150;"), "\xC2\x96");
    EXPECT_EQ(decoded("&#xd800;"), "\xED\xA0\x80");
    EXPECT_EQ(decoded("&#x110000;"), "\xF4\x90\x80\x80");
    EXPECT_EQ(decoded("&#x1FFFFF;"), "\xF7\xBF\xBF\xBF");
    EXPECT_EQ(decoded("&#65x;"), "Ax;");
    EXPECT_EQ(decoded("&#x4g"), "\x04g");
}

TEST_F(Entities, UnknownOrMalformedReferencesStay)
{
    for (const char* s : {"&LT;", "&foo;", "&#;", "&#x;", "&#0;", "&#x000;", "& b", "AT&T", "&;", "&",
                          "&ampx;", "&lt3", "&#-5;", "&\xC3\xA9;"})
        EXPECT_EQ(decoded(s), s) << s;
    EXPECT_EQ(decoded(""), "");
    EXPECT_EQ(decoded("plain text"), "plain text");
}

TEST_F(Entities, ProducedBytesAreNotScannedAgain)
{
    EXPECT_EQ(decoded("&&lt;"), "&<");
    EXPECT_EQ(decoded("&amp;lt;"), "&lt;");
    EXPECT_EQ(decoded("&#38;#65;"), "&#65;");
    EXPECT_EQ(decoded("&amp;amp;amp;"), "&amp;amp;");
}

TEST_F(Entities, ValuesWithoutEncodingVanish)
{
    EXPECT_EQ(decoded("a&#2097152;b"), "ab");
    EXPECT_EQ(decoded("a&#xFFFFFFFF;"), "a");
    EXPECT_EQ(decoded("&#2147483648;"), "");
    // Scanning resumes one byte past where the removed reference was.
    EXPECT_EQ(decoded("&#x200000;&lt;&lt;"), "&lt;<");
}

TEST_F(Entities, OverlongNumbersSaturateInsteadOfWrapping)
{
    // 2^32 + 65 and 0x1_0000_0041 would wrap to 'A'; 2^32 would wrap to 0.
    EXPECT_EQ(decoded("x&#4294967361;y"), "xy");
    EXPECT_EQ(decoded("x&#x100000041;y"), "xy");
    EXPECT_EQ(decoded("x&#4294967296;y"), "xy");
    EXPECT_EQ(decoded("x&#99999999999999999999999999;y"), "xy");
    EXPECT_EQ(decoded("x&#x0000000000041;y"), "xAy");
}

TEST_F(Entities, LongInputsDecodeInOnePass)
{
    std::string s;
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        s += i % 3 ? "&lt;" : "&euro;x";
        expected += i % 3 ? "<" : "\xE2\x82\xAC" "x";
    }
    decodeEntities(s);
    EXPECT_EQ(s, expected);
}

TEST(EncodeUtf8, RangeBoundaries)
{
    EXPECT_EQ(utf8(0x80), "\xC2\x80");
    EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(utf8(0x1FFFFF), "\xF7\xBF\xBF\xBF");
    EXPECT_EQ(utf8(0x200000), "");
    EXPECT_EQ(utf8(0xFFFFFFFF), "");
}
