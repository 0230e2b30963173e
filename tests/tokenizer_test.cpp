// The tokenizer's text and events, the plain-text parser, the entity table
// and decoder: tables of input and expected output.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "html/HtmlParser.h"
#include "html/TextParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

// Records every handler call as "kind=value" in reports and, with the
// offset of its tag and the text so far, as "kind@offset=value:text|" in
// events; answers wantParagraphs as configured and counts the questions.
class Recorder : public HtmlParser {
public:
    explicit Recorder(bool paragraphs = false) : paragraphs(paragraphs) {}
    Recorder& run(const std::string& input)
    {
        start = input.data();
        parse(input.data(), input.size());
        return *this;
    }
    void onImgSrc(const char* tag, const std::string& value) override
    {
        seen("src", tag, value);
        text += srcMarker;
    }
    void onImgId(const char* tag, const std::string& value) override { seen("id", tag, value); }
    bool wantParagraphs() override
    {
        ++paragraphQuestions;
        return paragraphs;
    }

    std::string reports, events, srcMarker;  // the marker is appended to text by onImgSrc
    int paragraphQuestions = 0;

private:
    void seen(const std::string& kind, const char* tag, const std::string& value)
    {
        reports += (reports.empty() ? "" : "|") + kind + "=" + value;
        events += kind + "@" + std::to_string(tag - start) + "=" + value + ":" + text + "|";
    }
    bool paragraphs;
    const char* start = nullptr;
};

struct Case {
    std::string input, expected;
};

const std::string P = ParagraphPrefix;

std::string utf8(std::uint32_t cp)
{
    char buffer[4];
    return std::string(buffer, static_cast<std::size_t>(encodeUtf8(cp, buffer)));
}

}  // namespace

TEST(HtmlParser, TextOfMarkup)
{
    const std::string name40(40, 'q'), script40 = "script" + std::string(34, '.');
    const Case cases[] = {
        // Runs are trimmed at the front only; vertical tab and form feed stay.
        {"Hello <b>World</b>", "Hello World"}, {"  Hello", "Hello"},
        {"<b> \t\r\n a </b>\n b", "a b"}, {"<i>   </i>x", "x"}, {"<b>\v\fx", "\v\fx"},
        // A '<' that starts no markup is text.
        {"a < b", "a < b"}, {"1<2", "1<2"}, {"x<", "x<"}, {"<<b>y", "<y"},
        {"a <\xC3\xA9>", "a <\xC3\xA9>"}, {"a < /b>c", "a < /b>c"},
        // References stay; the length is taken as given.
        {"<b>a &amp; b</b>", "a &amp; b"}, {std::string("a\0b<b>c", 7), std::string("a\0bc", 4)},
        {"", ""},
        // Script and style content is dropped; names compare on 6 (5) bytes.
        {"<script>if (a<b) x();</script>after", "after"}, {"<SCRIPT>x</Script>y", "y"},
        {"<style>p{}</style>z", "z"}, {"a<script type=\"t\">x<b>y</b>z</script>b", "ab"},
        {"<script>x</ script >y", "y"}, {"<scripts>x</scriptx>y", "y"},
        {"<styles>x</stylez>y", "y"}, {"<style>x</script>y", ""}, {"<style>a<b>b</b>c</style>d", "d"},
        // Comments and declarations; without "-->" a comment ends at its first '>'.
        {"<!-- note -->x", "x"}, {"<!-->x", "x"}, {"<!--->x", "x"}, {"<!---->x", "x"},
        {"<!DOCTYPE html>x", "x"}, {"<!>x", "x"}, {"a<!-- <b>bold</b> -->b", "ab"},
        {"<!-- open > x", "x"}, {"<!-- a > b --> c", "c"}, {"<!-- a -> b > c", "b > c"},
        {"<!-- a - > b --> c", "c"}, {"x<!-- a <b>y</b", "xy"},
        // Unterminated markup ends the run.
        {"x<!", "x"}, {"x<!-", "x"}, {"x<!>", "x"}, {"x<!--", "x"}, {"x<!-- never closed", "x"},
        {"x<!DOCTYPE html", "x"}, {"x</div", "x"}, {"x</div y", "x"}, {"x<div", "x"},
        {"x<div class=a", "x"}, {"<img src='a.png>x", "x"},
        // Tags, quoted values and long names, which are cut, not overrun.
        {"a</b c=\">\">b", "a\">b"}, {"</>x", "x"}, {"a</ \n b>b", "ab"},
        {"<a href=\"x>y\">link</a>", "link"}, {"<a title='it>s'>t</a>", "t"},
        {"<font color=red size=2>r</font>", "r"}, {"<br/>a<br />b", "ab"},
        {"<head><title>Minutes</title></head>agreed", "Minutesagreed"},  // a title is text
        {"<" + name40 + " a=b>text</" + name40 + ">more", "textmore"},
        {"<" + std::string(1000, 'Z') + ">x", "x"},
        {"<" + script40 + ">hidden</" + script40 + ">shown", "shown"},
        {"<" + std::string(31, 'a') + ">y<" + std::string(32, 'a') + ">z", "yz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder().run(c.input).text, c.expected) << testing::PrintToString(c.input);
}

TEST(HtmlParser, BlockTagsOpenParagraphs)
{
    const Case cases[] = {
        {"<p>Hi</p>", P + "Hi</p>"}, {"<P>Hi</P>", P + "Hi</p>"}, {"<br>", P}, {"<br/>", P},
        {"<p>a<p>b</p>", P + "a" + P + "b</p>"}, {"<div>a</p>b</div>", P + "a</p>b"},
        {"<h1>t</h6>", P + "t</p>"}, {"<p>open", P + "open"}, {"a</p>b", "ab"},
        {"<div>", P}, {"<h2>", P}, {"<h3>", P}, {"<h4>", P}, {"<h5>", P}, {"<h6>", P},
        {"<pre>", ""}, {"<h7>", ""}, {"<h>", ""}, {"<span>", ""}, {"<b>", ""}, {"<divx>", ""},
        {"<brr>", ""}, {"<dl>", ""}, {"<tr>", ""}, {"<li>", ""}, {"<td>", ""},
        {"<p" + std::string(39, '1') + ">x", "x"},  // a long name that begins like one is none
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder(true).run(c.input).text, c.expected) << c.input;
    EXPECT_TRUE(isBlockTag("div", 3));
    EXPECT_FALSE(isBlockTag("div", 2));
    EXPECT_FALSE(isBlockTag("DIV", 3));

    Recorder no(false);
    no.run("<p>a</p><br><br><span>b</span></div><img src=x>");
    EXPECT_EQ(no.paragraphQuestions, 3);  // at block start tags only
    EXPECT_EQ(no.text, "ab");
}

TEST(HtmlParser, ImageAttributes)
{
    const Case cases[] = {
        // Quoting.
        {"<img src='a b.png'>", "src=a b.png"}, {"<img src=a b.png>", "src=a"},
        {"<img src=\"a.png>", "src=a.png"}, {"<img src=\"a.png>x \"y\"", "src=a.png>x "},
        {"<img src=\"\">", "src="}, {"<img src>", ""}, {"<img src=>", "src="},
        {"<img src=\"it's\">", "src=it's"}, {"<img \n src \t = \r 'x' >", "src=x"},
        {"<img src=a&amp;b>", "src=a&amp;b"},
        {"<img id=\"a\"src=\"b\">", "id=a"},  // the closing quote starts the next name
        {"<img src=\"a\" id='b' src=c>", "src=a|id=b|src=c"},
        // Names compare exactly; a long name keeps its first bytes.
        {"<IMG SRC=\"a.png\">", ""}, {"<IMG src=\"a.png\">", "src=a.png"},
        {"<imgx src=\"a\">", "src=a"}, {"<im src=a>", ""}, {"<a src=a id=b>", ""},
        {"<img srcset=a ids=b =c>", ""}, {"</img src=a>", ""},
        {"<img" + std::string(37, 'x') + " src=s.png>", "src=s.png"},
        // Truncated tags still report; tags inside style count, inside script not.
        {"<img src=\"a.png\"", "src=a.png"}, {"<img src=\"a.png", "src=a.png"},
        {"<img id=1 src=", "id=1|src="}, {"<style><img src=a></style>", "src=a"},
        {"<script><img src=a></script>", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder().run(c.input).reports, c.expected) << c.input;

    // Each event knows its tag's start and the text so far; handlers may add text.
    Recorder r;
    r.srcMarker = "[img]";
    r.run("ab <img src=\"a.png\" id=\"7\"> cd <img id=x><img src=y/>e");
    EXPECT_EQ(r.events, "src@3=a.png:ab |id@3=7:ab [img]|id@31=x:ab [img]cd |src@41=y/:ab [img]cd |");
    EXPECT_EQ(r.text, "ab [img]cd [img]e");
}

TEST(HtmlParser, EachRunStartsOutsideScriptAndAddsToTheText)
{
    Recorder r;
    r.run("one <script>abc");
    EXPECT_EQ(r.text, "one ");
    EXPECT_TRUE(r.inScript);
    r.run("def<b>two</b>");
    EXPECT_FALSE(r.inScript);
    EXPECT_EQ(r.text, "one deftwo");

    Recorder s(true);
    s.run("<style>abc");
    s.run("<p>a");
    s.run("</p>b");  // the open paragraph belongs to the previous run
    EXPECT_EQ(s.text, P + "ab");
}

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

TEST(Entities, TableIsFilledOnceWithTheFullList)
{
    { HtmlParser first; }  // the first parser constructed fills the table
    ASSERT_EQ(EntityTable.size(), 253u);
    // Spot checks across the three sets; the sum catches any mistyped value.
    for (auto [name, cp] : {std::pair{"quot", 34}, {"amp", 38}, {"apos", 39}, {"lt", 60}, {"gt", 62},
                            {"nbsp", 160}, {"yuml", 255}, {"Yuml", 376}, {"sigmaf", 962}, {"thetasym", 977},
                            {"hellip", 8230}, {"euro", 8364}, {"image", 8465}, {"lang", 9001}, {"diams", 9830}})
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
        {"&#65;", "A"}, {"&#x41;", "A"}, {"&#X41", "A"}, {"&#65", "A"}, {"&#0065;", "A"}, {"&#x0041", "A"},
        {"&#128512;", "\xF0\x9F\x98\x80"}, {"&#150;", "\xC2\x96"}, {"&#xd800;", "\xED\xA0\x80"},
        {"&#x110000;", "\xF4\x90\x80\x80"}, {"&#x1FFFFF;", "\xF7\xBF\xBF\xBF"},
        {"&#65x;", "Ax;"}, {"&#x4g", "\x04g"},
        // Unknown or malformed references stay.
        {"&LT;", "&LT;"}, {"&foo;", "&foo;"}, {"&#;", "&#;"}, {"&#x;", "&#x;"}, {"&#0;", "&#0;"},
        {"&#x000;", "&#x000;"}, {"AT&T", "AT&T"}, {"& b", "& b"}, {"&;", "&;"}, {"&", "&"}, {"", ""},
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
