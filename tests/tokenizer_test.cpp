// SPDX-License-Identifier: MIT
// The tokenizer's text and events, the plain-text parser, the entity table
// and decoder: tables of input and expected output.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "html/HtmlParser.h"
#include "html/TextParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

// Records every handler call as "kind=value|" and the offset of its tag.
class Recorder : public HtmlParser {
public:
    explicit Recorder(bool paragraphs = false) : paragraphs(paragraphs) {}
    Recorder& run(const std::string& input)
    {
        start = input.data();
        parse(input.data(), input.size());
        return *this;
    }
    void onImgSrc(const char* tag, const std::string& value) override { seen("src=", tag, value); }
    void onImgId(const char* tag, const std::string& value) override { seen("id=", tag, value); }
    bool wantParagraphs() override { return paragraphs; }

    std::string reports;
    std::vector<long> tags;

private:
    void seen(const char* kind, const char* tag, const std::string& value)
    {
        reports += kind + value + "|";
        tags.push_back(tag - start);
    }
    bool paragraphs;
    const char* start = nullptr;
};

struct Case {
    std::string input, expected;
};

const std::string P = ParagraphPrefix;

}  // namespace

TEST(HtmlParser, TextOfMarkup)
{
    const std::string name40(40, 'q'), script40 = "script" + std::string(34, '.');
    const Case cases[] = {
        // Runs are trimmed at the front only; vertical tab and form feed stay.
        {"<b> \t\r\n a </b>\n b", "a b"}, {"<b>\v\fx", "\v\fx"},
        // A '<' that starts no markup is text; references stay; the length is taken as given.
        {"a < b", "a < b"}, {"x<", "x<"}, {"<<b>y", "<y"}, {"a <\xC3\xA9>", "a <\xC3\xA9>"},
        {"<b>a &amp; b</b>", "a &amp; b"}, {std::string("a\0b<b>c", 7), std::string("a\0bc", 4)},
        // Script and style content is dropped; names compare on 6 (5) bytes.
        {"a<script type=\"t\">if (a<b) x<b>y</b>z</SCRIPT>b", "ab"}, {"<script>x</ script >y", "y"},
        {"<scripts>x</scriptx>y", "y"}, {"<styles>x</stylez>y", "y"}, {"<style>x</script>y", ""},
        {"<style>a<b>b</b>c</style>d", "d"},
        // Comments and declarations; without "-->" a comment ends at its first '>'.
        {"<!-- note -->x", "x"}, {"<!-->x", "x"}, {"<!--->x", "x"}, {"<!DOCTYPE html>x", "x"},
        {"<!>x", "x"}, {"a<!-- <b>bold</b> -->b", "ab"}, {"<!-- a > b --> c", "c"},
        {"<!-- a -> b > c", "b > c"}, {"x<!-- a <b>y</b", "xy"},
        // Unterminated markup ends the run.
        {"x<!-", "x"}, {"x<!>", "x"}, {"x<!-- never closed", "x"}, {"x<!DOCTYPE html", "x"},
        {"x</div", "x"}, {"x<div class=a", "x"},
        // Tags, quoted values (a quote without its end is none) and long names,
        // which are cut, not overrun; a title is text.
        {"a</b c=\">\">b", "a\">b"}, {"</>x", "x"}, {"a</ \n b>b", "ab"}, {"<img src='a.png>x", "x"},
        {"<a href=\"x>y\">link</a>", "link"}, {"<a title='it>s'>t</a>", "t"},
        {"<head><title>Minutes</title></head>agreed", "Minutesagreed"},
        {"<" + name40 + " a=b>text</" + name40 + ">more", "textmore"},
        {"<" + script40 + ">hidden</" + script40 + ">shown", "shown"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder().run(c.input).text, c.expected) << testing::PrintToString(c.input);
    // End tags whose '>' comes just before, at and after the eighth byte past "</".
    for (const Case& c : {Case{"a</abcdef>b", "ab"}, Case{"a</abcdefg>b", "ab"}, Case{"a</abcdefgh>b", "ab"},
                          Case{"a</abcdefg>>b", "a>b"}, Case{"a</abcdefg", "a"}, Case{"a</abcdefgh", "a"}})
        EXPECT_EQ(Recorder().run(c.input).text, c.expected) << c.input;
}

TEST(HtmlParser, BlockTagsOpenParagraphs)
{
    for (const char* name : {"br", "p", "div", "h1", "h2", "h3", "h4", "h5", "h6"})
        EXPECT_EQ(Recorder(true).run("<" + std::string(name) + " x=1>").text, P) << name;
    for (const char* name : {"pre", "h7", "h0", "h", "span", "b", "divx", "brr", "dl", "tr", "li", "td"})
        EXPECT_EQ(Recorder(true).run("<" + std::string(name) + ">").text, "") << name;
    const Case cases[] = {
        {"<P>Hi</P>", P + "Hi</p>"}, {"<BR/>", P}, {"<p>a<p>b</p>", P + "a" + P + "b</p>"},
        {"<div>a</p>b</div>", P + "a</p>b"}, {"<h1>t</h6>", P + "t</p>"}, {"a</p>b", "ab"},
        {"<p" + std::string(39, '1') + ">x", "x"},  // a long name that begins like one is none
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder(true).run(c.input).text, c.expected) << c.input;
    EXPECT_EQ(Recorder(false).run("<p>a</p><br>b").text, "ab");
}

TEST(HtmlParser, ImageAttributes)
{
    const Case cases[] = {
        // Quoting.
        {"<img src='a b.png'>", "src=a b.png|"}, {"<img src=a b.png>", "src=a|"},
        {"<img src=\"a.png>", "src=a.png|"}, {"<img src=\"a.png>x \"y\"", "src=a.png>x |"},
        {"<img src=\"\">", "src=|"}, {"<img src>", ""}, {"<img src=>", "src=|"},
        {"<img src=\"it's\">", "src=it's|"}, {"<img \n src \t = \r 'x' >", "src=x|"},
        {"<img src=a&amp;b>", "src=a&amp;b|"}, {"<img src=\"a\" id='b' src=c>", "src=a|id=b|src=c|"},
        {"<img id=\"a\"src=\"b\">", "id=a|"},  // the closing quote starts the next name
        // Names compare exactly; a long name keeps its first bytes.
        {"<IMG SRC=\"a.png\">", ""}, {"<IMG src=\"a.png\">", "src=a.png|"}, {"<imgx src=\"a\">", "src=a|"},
        {"<a src=a id=b>", ""}, {"<img srcset=a ids=b =c>", ""}, {"</img src=a>", ""},
        {"<img" + std::string(37, 'x') + " src=s.png>", "src=s.png|"},
        // Truncated tags still report; tags inside style count, inside script not.
        {"<img src=\"a.png\"", "src=a.png|"}, {"<img id=1 src=\"a.png", "id=1|src=a.png|"},
        {"<img id=1 src=", "id=1|src=|"}, {"<style><img src=a>", "src=a|"}, {"<script><img src=a>", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Recorder().run(c.input).reports, c.expected) << c.input;

    // Each event knows its tag's start.
    Recorder r;
    r.run("ab <img src=\"a.png\" id=\"7\"> cd <img id=x><img src=y/>e");
    EXPECT_EQ(r.reports, "src=a.png|id=7|id=x|src=y/|");
    EXPECT_EQ(r.tags, (std::vector<long>{3, 3, 31, 41}));
    EXPECT_EQ(r.text, "ab cd e");
}

TEST(HtmlParser, EachRunStartsAfreshAndAddsToTheText)
{
    // A script, a style and an open paragraph end with their run.
    Recorder r(true);
    for (const char* run : {"one <script>abc", "def<b>two</b><style>abc", "<p>a", "</p>b"})
        r.run(run);
    EXPECT_EQ(r.text, "one deftwo" + P + "ab");
}

TEST(HtmlParser, QtPrologueReadsAsAnyOtherHead)
{
    // The head every QTextDocument::toHtml() starts with is passed over in one
    // step; a copy with a lower-case doctype takes the ordinary path and must
    // give the same text, reports and tag offsets, whatever follows.
    const std::string prologue =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
        "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
        "p, li { white-space: pre-wrap; }\n</style></head>";
    std::string lower = prologue;
    lower.replace(2, 7, "doctype");
    std::string otherStyle = prologue;
    otherStyle.replace(otherStyle.find("pre-wrap"), 8, "pre-line");
    const std::string tails[] = {
        "", "x", "</style>x", "</p>a", "<!-- open",
        "<body style=\" font-size:9pt;\">\n<p style=\" margin-top:0px;\">a &amp; b<br />"
        "<img src=\":/Res/FaceMgr/em/5.png\" /><img id=\"7\"></p></body></html>",
    };
    for (const std::string& tail : tails) {
        for (const std::string& head : {prologue, prologue.substr(0, 60)}) {
            for (const std::string& other : {lower, otherStyle}) {
                Recorder fast(true), ordinary(true);
                fast.run(head + tail);
                ordinary.run(other.substr(0, head.size()) + tail);
                EXPECT_EQ(fast.text, ordinary.text) << tail;
                EXPECT_EQ(fast.reports, ordinary.reports) << tail;
                EXPECT_EQ(fast.tags, ordinary.tags) << tail;
            }
        }
    }
    EXPECT_EQ(Recorder(true).run(prologue + tails[5]).text, P + "a &amp; b" + P + "</p>");
}

TEST(HtmlParser, QtAttributesReadAsAnyOthers)
{
    // A style attribute, an image's first src with the tag's end after it,
    // written exactly as Qt writes them, and a body's reference tag as the
    // library writes it are read in one step; the same tags with a tab
    // before the attribute take the ordinary path and must give the same
    // text, reports and tag offsets, whatever follows.
    const std::string openings[] = {"<span style=\"", "<p style=\"", "<img src=\"", "<img style=\"",
                                    "<img id=\""};
    const std::string rests[] = {"a\">x",
                                 "a\">>x",
                                 "a\">",
                                 "\">x",
                                 "a>b\">x",
                                 "a>b",
                                 "a",
                                 "",
                                 "a\" id=\"7\">x",
                                 "a\"id=\"7\">x",
                                 "a\" src=\"b\"/>x",
                                 "a\" />x",
                                 "a\" /",
                                 "a\" />",
                                 "a\" /src=\"b\">x",
                                 "a\"/>x",
                                 "a\"/",
                                 "a\"/>",
                                 "a\"/src=\"b\">x",
                                 "a\"/><img src=\"c\">x</p>",
                                 "a\"/><img id=\"c\"/>x"};
    for (const std::string& opening : openings) {
        for (const std::string& rest : rests) {
            std::string other = opening;
            other[other.find(' ')] = '\t';
            Recorder fast(true), ordinary(true);
            fast.run("t" + opening + rest);
            ordinary.run("t" + other + rest);
            EXPECT_EQ(fast.text, ordinary.text) << opening << rest;
            EXPECT_EQ(fast.reports, ordinary.reports) << opening << rest;
            EXPECT_EQ(fast.tags, ordinary.tags) << opening << rest;
        }
    }
    EXPECT_EQ(Recorder(true).run("<p style=\"a>b\">x<img src=\"c\" src=\"d\">").reports, "src=c|src=d|");
}

TEST(TextParser, Text)
{
    const Case cases[] = {
        // Without markup the message is decoded, then trimmed (a no-break space stays).
        {"", ""}, {"Tom &amp; Jerry", "Tom & Jerry"}, {"&#32;&#10;x", "x"}, {"&nbsp;x", "\xC2\xA0x"},
        // Markup is tokenized, without paragraphs, and references left as written.
        {"&lt;b&gt; <i>x</i>", "&lt;b&gt; x"}, {"<p>a</p><div>b</div>", "ab"}, {"a<", "a<"},
        {"<b>x</b> > y", "x> y"},  // the first '<' bounds the search for a cut-off tag's '>'
        // The tail of a tag cut off at the start is dropped.
        {"a > b <b>c</b>", "b c"}, {">>x", ">x"}, {"tail>", ""}, {"x=\"&amp;\">&amp;", "&amp;"},
        // Only leading whitespace goes.
        {"  \r\n Hi there  ", "Hi there  "}, {" \r\n<b> \t</b>\n", ""},
    };
    TextParser parser;
    for (const Case& c : cases) {
        parser.parse(c.input.data(), c.input.size());  // each call starts afresh
        EXPECT_EQ(parser.text, c.expected) << c.input;
    }
}

TEST(Entities, TableAndDecoding)
{
    { HtmlParser first; }  // the first parser constructed fills the table
    ASSERT_EQ(EntityTable.size(), 253u);
    // The sum catches any mistyped value; the decoding cases below try a few names.
    std::int64_t sum = 0;
    for (const auto& entry : EntityTable)
        sum += entry.second;
    EXPECT_EQ(sum, 868281);
    auto saved = EntityTable;
    EntityTable = {{"x", 120}};
    { HtmlParser another; }
    EXPECT_EQ(EntityTable.size(), 1u);  // only an empty table is filled
    EntityTable = saved;

    const Case cases[] = {
        // Named references, with or without ";", are case-sensitive.
        {"&lt;b&gt;&quot;&apos;", "<b>\"'"}, {"a&amp b&lt&gt", "a& b<>"}, {"x&amp", "x&"},
        {"&LT;&ampx;&lt3", "&LT;&ampx;&lt3"},
        // Numeric references: any value that UTF-8 can carry, surrogates included.
        {"&#65;&#x41;&#X41&#0065;&#x0041", "AAAAA"}, {"&#65x;&#x4g", "Ax;\x04g"},
        {"&#127;&#128;&#x7FF;&#x800;", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
        {"&#xFFFF;&#x10000;&#xd800;&#x1FFFFF;", "\xEF\xBF\xBF\xF0\x90\x80\x80\xED\xA0\x80\xF7\xBF\xBF\xBF"},
        // Unknown or malformed references stay.
        {"&foo;&#;&#x;&#0;&#x000;&#-5;", "&foo;&#;&#x;&#0;&#x000;&#-5;"},
        {"AT&T & b&;&\xC3\xA9;&", "AT&T & b&;&\xC3\xA9;&"},
        // Produced bytes are not scanned again.
        {"&&lt;", "&<"}, {"&#38;#65;", "&#65;"}, {"&amp;amp;amp;", "&amp;amp;"},
        // Values without an encoding vanish; scanning resumes one byte past them.
        {"a&#2097152;b", "ab"}, {"a&#xFFFFFFFF;", "a"}, {"&#x200000;&lt;&lt;", "&lt;<"},
        // Overlong numbers saturate instead of wrapping to 'A' or 0.
        {"x&#4294967361;y&#x100000041;z", "xyz"}, {"x&#99999999999999999999;y&#x0000000000041;", "xyA"},
    };
    for (const Case& c : cases) {
        std::string s = c.input;
        decodeEntities(s);
        EXPECT_EQ(s, c.expected) << c.input;
    }
}
