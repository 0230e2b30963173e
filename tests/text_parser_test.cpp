// Plain text: messages without markup decoded whole, with markup tokenized.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "html/HtmlParser.h"
#include "html/TextParser.h"

using namespace Tessel;

TEST(TextParser, Text)
{
    const struct {
        const char* input;
        const char* text;
    } cases[] = {
        // Without markup the message is decoded, then trimmed (a no-break space stays).
        {"", ""}, {"Tom &amp; Jerry", "Tom & Jerry"}, {"&lt;not a tag&gt;", "<not a tag>"},
        {"caf&eacute;", "caf\xC3\xA9"}, {"&#32;&#10;x", "x"}, {"&nbsp;x", "\xC2\xA0x"},
        // Markup is tokenized and references left as written.
        {"<b>Tom &amp; Jerry</b>", "Tom &amp; Jerry"}, {"&lt;b&gt; <i>x</i>", "&lt;b&gt; x"},
        {"<p>a</p><p>b</p>", "ab"}, {"line1<br>line2", "line1line2"}, {"a<", "a<"},
        {"<b>x</b> > y", "x> y"}, {"<div>a</div><h1>b</h1>", "ab"},
        // The tail of a tag cut off at the start is dropped.
        {"a > b", "b"}, {"style=x>Hello <b>you</b>", "Hello you"}, {">>x", ">x"},
        {"a > b <b>c</b>", "b c"}, {"tail>", ""}, {"x=\"&amp;\">&amp;", "&amp;"},
        // Only leading whitespace goes.
        {"  \r\n Hi there  ", "Hi there  "}, {"a  \t b\n", "a  \t b\n"},
        {" \r\n<b> \t</b>\n", ""}, {"<i>a </i>\n\n b  c", "a b  c"},
    };
    for (const auto& c : cases) {
        TextParser parser;
        parser.parse(c.input, std::strlen(c.input));
        EXPECT_EQ(parser.text, c.text) << c.input;
        EXPECT_FALSE(parser.wantParagraphs());
    }
}

TEST(TextParser, EachCallStartsFreshAndLeavesBodyAlone)
{
    TextParser parser;
    parser.body = "kept";
    for (std::string input : {"<b>first</b>", "second &amp; last"})
        parser.parse(input.data(), input.size());
    EXPECT_EQ(parser.text, "second & last");
    EXPECT_EQ(parser.body, "kept");
    // The tokenizer's state does not leak between calls either.
    for (std::string input : {"<script>never closed", "<b>x</b>"})
        parser.parse(input.data(), input.size());
    EXPECT_EQ(parser.text, "x");
}
