#include <gtest/gtest.h>

#include <string>

#include "html/HtmlParser.h"
#include "html/TextParser.h"

using namespace Tessel;

namespace {

std::string plain(const std::string& input)
{
    TextParser parser;
    parser.parse(input.data(), input.size());
    return parser.text;
}

}  // namespace

TEST(TextParser, MessagesWithoutMarkupAreDecodedWhole)
{
    EXPECT_EQ(plain(""), "");
    EXPECT_EQ(plain("Tom &amp; Jerry"), "Tom & Jerry");
    EXPECT_EQ(plain("&lt;not a tag&gt;"), "<not a tag>");
    EXPECT_EQ(plain("caf&eacute;"), "caf\xC3\xA9");
    // Decoding comes before trimming; a no-break space is not trimmed.
    EXPECT_EQ(plain("&#32;&#10;x"), "x");
    EXPECT_EQ(plain("&nbsp;x"), "\xC2\xA0x");
}

TEST(TextParser, MarkupIsTokenizedAndLeftUndecoded)
{
    EXPECT_EQ(plain("<b>Tom &amp; Jerry</b>"), "Tom &amp; Jerry");
    EXPECT_EQ(plain("&lt;b&gt; <i>x</i>"), "&lt;b&gt; x");
    EXPECT_EQ(plain("<p>a</p><p>b</p>"), "ab");
    EXPECT_EQ(plain("line1<br>line2"), "line1line2");
    EXPECT_EQ(plain("a<"), "a<");
    EXPECT_EQ(plain("<b>x</b> > y"), "x> y");
}

TEST(TextParser, LeadingTagTailIsDropped)
{
    EXPECT_EQ(plain("a > b"), "b");
    EXPECT_EQ(plain("style=x>Hello <b>you</b>"), "Hello you");
    EXPECT_EQ(plain(">>x"), ">x");
    EXPECT_EQ(plain("a > b <b>c</b>"), "b c");
    EXPECT_EQ(plain("tail>"), "");
    EXPECT_EQ(plain("x=\"&amp;\">&amp;"), "&amp;");
}

TEST(TextParser, OnlyLeadingWhitespaceIsRemoved)
{
    EXPECT_EQ(plain("  \r\n Hi there  "), "Hi there  ");
    EXPECT_EQ(plain("a  \t b\n"), "a  \t b\n");
    EXPECT_EQ(plain(" \r\n<b> \t</b>\n"), "");
    EXPECT_EQ(plain("<i>a </i>\n\n b  c"), "a b  c");
}

TEST(TextParser, EachCallStartsFreshAndLeavesBodyAlone)
{
    TextParser parser;
    parser.body = "kept";
    const std::string first = "<b>first</b>";
    parser.parse(first.data(), first.size());
    const std::string second = "second &amp; last";
    parser.parse(second.data(), second.size());
    EXPECT_EQ(parser.text, "second & last");
    EXPECT_EQ(parser.body, "kept");

    // The tokenizer state does not leak between calls either.
    const std::string script = "<script>never closed";
    parser.parse(script.data(), script.size());
    EXPECT_EQ(parser.text, "");
    const std::string after = "<b>x</b>";
    parser.parse(after.data(), after.size());
    EXPECT_EQ(parser.text, "x");
}

TEST(TextParser, NoParagraphMarkup)
{
    TextParser parser;
    EXPECT_FALSE(parser.wantParagraphs());
    EXPECT_EQ(plain("<div>a</div><h1>b</h1>").find(ParagraphPrefix), std::string::npos);
}
