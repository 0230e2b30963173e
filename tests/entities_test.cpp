// SPDX-License-Identifier: MIT
// The entity decoder where its fast paths end: references at every distance
// from the ends of the text and across its blocks, long texts, and changes
// of EntityTable between two decodings.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>

#include "html/entities.h"

using namespace Tessel;

namespace {

std::string decoded(std::string s)
{
    decodeEntities(s);
    return s;
}

struct Case {
    std::string reference;
    std::string replacement;
};

// Each reference followed by a byte that cannot continue it, with what
// it becomes.
const Case References[] = {
    {"&amp;", "&"},
    {"&lt ", "< "},
    {"&nbsp;", "\xC2\xA0"},
    {"&thetasym;", "\xCF\x91"},  // the longest names: 8 letters
    {"&hellip;", "\xE2\x80\xA6"},
    {"&#39;", "'"},
    {"&#x1F600;", "\xF0\x9F\x98\x80"},
    {"&#128512;", "\xF0\x9F\x98\x80"},
    {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
    {"&#00000000000000000065;", "A"},   // leading zeros past 16 bytes
    {"&#x00000041;", "A"},              // 8 hexadecimal digits
    {"&#000000065;", "A"},              // 9 decimal digits
    {"&#99999999999999999999;x", "x"},  // saturated: removed, with the byte after it taken as it is
    {"&#x200000;&lt;", "&lt;"},         // the same byte is an '&'
    {"&foo;", "&foo;"},
    {"&aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa;", "&aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa;"},  // stays, longer than 16 bytes
    {"&#00000000000000000000000000000;", "&#00000000000000000000000000000;"},
    {"&amp", "&"},
    {std::string("&amp\0;", 6), std::string("&\0;", 3)},  // a zero byte ends a name
    {std::string("&lt\0\0;", 6), std::string("<\0\0;", 4)},
    {"&ampx;", "&ampx;"},
    {"&#;", "&#;"},
    {"& ", "& "},
    {"&&lt;", "&<"},
};

}  // namespace

TEST(EntityDecoder, ReferencesAtEveryDistanceFromTheEnds)
{
    fillEntityTable();
    for (const Case& c : References) {
        for (std::size_t before = 0; before <= 150; ++before) {
            const std::string prefix(before, 'x');
            for (const std::string& suffix : {std::string(), std::string(" tail"), std::string(90, '.')}) {
                EXPECT_EQ(decoded(prefix + c.reference + suffix), prefix + c.replacement + suffix)
                    << "reference " << c.reference << " after " << before << " bytes, before "
                    << suffix.size();
            }
        }
    }
}

TEST(EntityDecoder, LongTexts)
{
    fillEntityTable();
    // References every few bytes, far past the decoder's buffer.
    std::string text;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        text += "&lt;b" + std::string(static_cast<std::size_t>(i % 7), 'y') + "&#" +
                std::to_string(0x4E00 + i) + ";";
        expected += "<b" + std::string(static_cast<std::size_t>(i % 7), 'y');
        char bytes[4];
        expected.append(bytes,
                        static_cast<std::size_t>(encodeUtf8(static_cast<std::uint32_t>(0x4E00 + i), bytes)));
    }
    EXPECT_EQ(decoded(text), expected);
    // Long stretches without references between a few.
    const std::string stretch(5000, 'z');
    EXPECT_EQ(decoded("&amp;" + stretch + "&quot;" + stretch + "&#65"), "&" + stretch + "\"" + stretch + "A");
    EXPECT_EQ(decoded(stretch + "&euro;"), stretch + "\xE2\x82\xAC");
}

TEST(EntityDecoder, FollowsChangesOfTheTable)
{
    fillEntityTable();
    using Table = std::decay_t<decltype(EntityTable)>;
    const Table saved = EntityTable;
    ASSERT_EQ(decoded("&amp;&foo;&lt;"), "&&foo;<");

    EntityTable["amp"] = 'A';  // in place
    EXPECT_EQ(decoded("&amp;"), "A");
    EntityTable["amp"] = 0;  // in place, to the value that keeps a reference
    EXPECT_EQ(decoded("&amp;&amp;"), "&amp;&amp;");
    EntityTable["amp"] = 'A';
    EntityTable["foo"] = 'B';  // a name decoded before as absent
    EXPECT_EQ(decoded("&foo;&foo "), "BB ");
    EntityTable.erase("lt");
    EXPECT_EQ(decoded("&lt;"), "&lt;");
    EntityTable["verylongname"] = 'C';
    EXPECT_EQ(decoded("&verylongname;&verylongnamex;"), "C&verylongnamex;");
    EntityTable[""] = 'D';  // the name of a reference without one
    EXPECT_EQ(decoded("&;& &#"), "DD &#");
    EntityTable["a-b"] = 'E';  // never the name of a reference
    EXPECT_EQ(decoded("&a-b;"), "&a-b;");

    Table other{{"amp", 'F'}};
    EntityTable.swap(other);
    EXPECT_EQ(decoded("&amp;&quot;"), "F&quot;");
    EntityTable.swap(other);
    EXPECT_EQ(decoded("&amp;&quot;"), "A\"");

    // As many names as before, other ones.
    Table renamed;
    for (const auto& entry : saved)
        renamed.emplace(entry.first + "z", entry.second);
    EntityTable = renamed;
    EXPECT_EQ(decoded("&amp;&ampz;&ltz"), "&amp;&<");

    // More names than the decoder indexes.
    EntityTable = saved;
    for (int i = 0; i < 3000; ++i)
        EntityTable["n" + std::to_string(i)] = 'A' + i % 26;
    EXPECT_EQ(decoded("&n0;&n2999;&amp;&n3000;"), "AJ&&n3000;");

    EntityTable = saved;
    EXPECT_EQ(decoded("&amp;&foo;&lt;&n1;"), "&&foo;<&n1;");
}

TEST(EntityDecoder, ManyDistinctNumericReferences)
{
    fillEntityTable();
    // More distinct references than the decoder remembers, twice over.
    for (int round = 0; round < 2; ++round) {
        for (std::uint32_t cp = 0x100; cp < 0x1100; ++cp) {
            char bytes[4];
            const std::string utf8(bytes, static_cast<std::size_t>(encodeUtf8(cp, bytes)));
            ASSERT_EQ(decoded("&#" + std::to_string(cp) + ";"), utf8) << cp;
            ASSERT_EQ(decoded("a&#" + std::to_string(cp) + "x;"), "a" + utf8 + "x;") << cp;
        }
    }
}
