// The entity table, the in-place decoder and the UTF-8 encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "html/HtmlParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

std::string utf8(std::uint32_t cp)
{
    char buffer[4];
    return std::string(buffer, static_cast<std::size_t>(encodeUtf8(cp, buffer)));
}

}  // namespace

TEST(Entities, TableIsFilledOnceWithTheFullList)
{
    { HtmlParser first; }  // the first parser constructed fills the table
    ASSERT_EQ(EntityTable.size(), 253u);
    // Spot checks across the three sets; the sum catches any mistyped value.
    for (auto [name, cp] : {std::pair{"quot", 34}, {"apos", 39}, {"nbsp", 160}, {"yuml", 255},
                            {"Yuml", 376}, {"thetasym", 977}, {"euro", 8364}, {"diams", 9830}})
        EXPECT_EQ(EntityTable.at(name), cp) << name;
    std::int64_t sum = 0;
    for (const auto& entry : EntityTable)
        sum += entry.second;
    EXPECT_EQ(sum, 868281);

    auto saved = EntityTable;
    EntityTable = {{"x", 120}};
    fillEntityTable();
    { HtmlParser another; }
    EXPECT_EQ(EntityTable.size(), 1u);  // only an empty table is filled
    EntityTable.clear();
    fillEntityTable();
    EXPECT_EQ(EntityTable, saved);
}

TEST(Entities, Decoding)
{
    { HtmlParser first; }
    const struct {
        std::string input, decoded;
    } cases[] = {
        // Named references, with or without ";".
        {"&lt;b&gt;", "<b>"}, {"&quot;x&quot;", "\"x\""}, {"&apos;", "'"}, {"&nbsp;", "\xC2\xA0"},
        {"&euro;", "\xE2\x82\xAC"}, {"a&amp b", "a& b"}, {"x&amp", "x&"}, {"&lt&gt", "<>"},
        // Numeric references: any value that UTF-8 can carry, surrogates included.
        {"&#65;", "A"}, {"&#x41;", "A"}, {"&#X41", "A"}, {"&#0065;", "A"}, {"&#x0041", "A"},
        {"&#128512;", "\xF0\x9F\x98\x80"}, {"&#150;", "\xC2\x96"}, {"&#xd800;", "\xED\xA0\x80"},
        {"&#x110000;", "\xF4\x90\x80\x80"}, {"&#x1FFFFF;", "\xF7\xBF\xBF\xBF"},
        {"&#65x;", "Ax;"}, {"&#x4g", "\x04g"},
        // Unknown or malformed references stay.
        {"&LT;", "&LT;"}, {"&foo;", "&foo;"}, {"&#;", "&#;"}, {"&#x;", "&#x;"}, {"&#0;", "&#0;"},
        {"&#x000;", "&#x000;"}, {"AT&T", "AT&T"}, {"&;", "&;"}, {"&", "&"}, {"", ""},
        {"&ampx;", "&ampx;"}, {"&lt3", "&lt3"}, {"&#-5;", "&#-5;"}, {"&\xC3\xA9;", "&\xC3\xA9;"},
        // Produced bytes are not scanned again.
        {"&&lt;", "&<"}, {"&amp;lt;", "&lt;"}, {"&#38;#65;", "&#65;"}, {"&amp;amp;amp;", "&amp;amp;"},
        // Values without an encoding vanish; scanning resumes one byte past them.
        {"a&#2097152;b", "ab"}, {"a&#xFFFFFFFF;", "a"}, {"&#2147483648;", ""},
        {"&#x200000;&lt;&lt;", "&lt;<"},
        // Overlong numbers saturate instead of wrapping to 'A' or 0.
        {"x&#4294967361;y", "xy"}, {"x&#x100000041;y", "xy"}, {"x&#4294967296;y", "xy"},
        {"x&#99999999999999999999999999;y", "xy"}, {"x&#x0000000000041;y", "xAy"},
    };
    for (const auto& c : cases) {
        std::string s = c.input;
        decodeEntities(s);
        EXPECT_EQ(s, c.decoded) << c.input;
    }
}

TEST(EncodeUtf8, RangeBoundaries)
{
    EXPECT_EQ(utf8(0x80), "\xC2\x80");
    EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(utf8(0x1FFFFF), "\xF7\xBF\xBF\xBF");
    EXPECT_EQ(utf8(0x200000) + utf8(0xFFFFFFFF), "");
}
