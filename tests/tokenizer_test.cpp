// The tokenizer's text and events, as tables of input and expected output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/HtmlParser.h"

using namespace Tessel;

namespace {

// Records every handler call with the offset of its tag in the input and the
// text collected so far, and answers wantParagraphs as configured.
class Recorder : public HtmlParser {
public:
    struct Event {
        std::string kind;  // "src" or "id"
        std::ptrdiff_t tagOffset;
        std::string value, textSoFar;
    };

    explicit Recorder(bool paragraphs = false) : paragraphs(paragraphs) {}
    void run(const std::string& input)
    {
        start = input.data();
        parse(input.data(), input.size());
    }
    void onImgSrc(const char* tag, const std::string& value) override
    {
        events.push_back({"src", tag - start, value, text});
        text += srcMarker;
    }
    void onImgId(const char* tag, const std::string& value) override
    {
        events.push_back({"id", tag - start, value, text});
    }
    bool wantParagraphs() override
    {
        ++paragraphQuestions;
        return paragraphs;
    }

    std::vector<Event> events;
    int paragraphQuestions = 0;
    std::string srcMarker;  // appended to text by onImgSrc

private:
    bool paragraphs;
    const char* start = nullptr;
};

struct Case {
    std::string input, expected;
};

// The text of one run, or its events as "src=value|id=value".
std::string textOf(const std::string& input, bool paragraphs = false)
{
    Recorder r(paragraphs);
    r.run(input);
    return r.text;
}

std::string reports(const std::string& input)
{
    Recorder r;
    r.run(input);
    std::string out;
    for (const auto& e : r.events)
        out += (out.empty() ? "" : "|") + e.kind + "=" + e.value;
    return out;
}

const std::string P = ParagraphPrefix;

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
        {"<" + name40 + " a=b>text</" + name40 + ">more", "textmore"},
        {"<" + std::string(1000, 'Z') + ">x", "x"},
        {"<" + script40 + ">hidden</" + script40 + ">shown", "shown"},
        {"<" + std::string(31, 'a') + ">y<" + std::string(32, 'a') + ">z", "yz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(textOf(c.input), c.expected) << testing::PrintToString(c.input);
}

TEST(HtmlParser, BlockTagsOpenParagraphs)
{
    const Case cases[] = {
        {"<p>Hi</p>", P + "Hi</p>"}, {"<P>Hi</P>", P + "Hi</p>"}, {"<br>", P}, {"<br/>", P},
        {"<p>a<p>b</p>", P + "a" + P + "b</p>"}, {"<div>a</p>b</div>", P + "a</p>b"},
        {"<h1>t</h6>", P + "t</p>"}, {"<p>open", P + "open"}, {"a</p>b", "ab"},
        {"<div>", P}, {"<h2>", P}, {"<h3>", P}, {"<h4>", P}, {"<h5>", P}, {"<h6>", P},
        {"<pre>", ""}, {"<h7>", ""}, {"<h>", ""}, {"<span>", ""}, {"<b>", ""}, {"<divx>", ""},
        {"<brr>", ""}, {"<dl>", ""}, {"<tr>", ""},
        {"<p" + std::string(39, '1') + ">x", "x"},  // a long name that begins like one is none
    };
    for (const Case& c : cases)
        EXPECT_EQ(textOf(c.input, true), c.expected) << c.input;
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
        EXPECT_EQ(reports(c.input), c.expected) << c.input;

    // Each event knows its tag's start and the text so far; handlers may add text.
    Recorder r;
    r.srcMarker = "[img]";
    r.run("ab <img src=\"a.png\" id=\"7\"> cd <img id=x><img src=y/>e");
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_EQ(r.events[0].kind + r.events[0].value + r.events[0].textSoFar, "srca.pngab ");
    EXPECT_EQ(r.events[0].tagOffset, 3);
    EXPECT_EQ(r.events[1].kind + r.events[1].value + r.events[1].textSoFar, "id7ab [img]");
    EXPECT_EQ(r.events[1].tagOffset, 3);
    EXPECT_EQ(r.events[2].kind + r.events[2].value, "idx");
    EXPECT_EQ(r.events[2].tagOffset, 31);
    EXPECT_EQ(r.events[2].textSoFar, "ab [img]cd ");
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
