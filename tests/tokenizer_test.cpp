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
        std::string kind;   // "src" or "id"
        std::ptrdiff_t tagOffset;
        std::string value;
        std::string textSoFar;
    };

    explicit Recorder(bool paragraphs = false) : paragraphs_(paragraphs) {}

    void run(const std::string& input)
    {
        input_ = input.data();
        parse(input.data(), input.size());
    }

    void onImgSrc(const char* tagStart, const std::string& value) override
    {
        events.push_back({"src", tagStart - input_, value, text});
        if (!srcMarker.empty())
            text += srcMarker;
    }
    void onImgId(const char* tagStart, const std::string& value) override
    {
        events.push_back({"id", tagStart - input_, value, text});
    }
    bool wantParagraphs() override
    {
        ++paragraphQuestions;
        return paragraphs_;
    }

    std::vector<Event> events;
    int paragraphQuestions = 0;
    std::string srcMarker;  // appended to text by onImgSrc when not empty

private:
    bool paragraphs_;
    const char* input_ = nullptr;
};

std::string textOf(const std::string& input, bool paragraphs = false)
{
    Recorder r(paragraphs);
    r.run(input);
    return r.text;
}

// The values reported for one input, as "src=value" / "id=value".
std::vector<std::string> reports(const std::string& input)
{
    Recorder r;
    r.run(input);
    std::vector<std::string> out;
    for (const auto& e : r.events)
        out.push_back(e.kind + "=" + e.value);
    return out;
}

using Reports = std::vector<std::string>;
const std::string P = ParagraphPrefix;

}  // namespace

TEST(HtmlParserText, RunsAreTrimmedAtTheFrontOnly)
{
    EXPECT_EQ(textOf("Hello <b>World</b>"), "Hello World");
    EXPECT_EQ(textOf("  Hello"), "Hello");
    EXPECT_EQ(textOf("<b> \t\r\n a </b>\n b"), "a b");
    EXPECT_EQ(textOf("<i>   </i>x"), "x");
    // Vertical tab and form feed are not trimmed.
    EXPECT_EQ(textOf("<b>\v\fx"), "\v\fx");
}

TEST(HtmlParserText, LessThanThatIsNotMarkupStaysText)
{
    EXPECT_EQ(textOf("a < b"), "a < b");
    EXPECT_EQ(textOf("1<2"), "1<2");
    EXPECT_EQ(textOf("x<"), "x<");
    EXPECT_EQ(textOf("<<b>y"), "<y");
    EXPECT_EQ(textOf("a <\xC3\xA9>"), "a <\xC3\xA9>");
    EXPECT_EQ(textOf("a < /b>c"), "a < /b>c");
}

TEST(HtmlParserText, ReferencesAndLengthAreTakenAsGiven)
{
    EXPECT_EQ(textOf("<b>a &amp; b</b>"), "a &amp; b");
    const std::string withNul("a\0b<b>c", 7);
    EXPECT_EQ(textOf(withNul), std::string("a\0bc", 4));
    EXPECT_EQ(textOf(""), "");
}

TEST(HtmlParserText, OutputAccumulatesOverRuns)
{
    Recorder r;
    r.run("one ");
    r.run("<b>two</b>");
    EXPECT_EQ(r.text, "one two");
}

TEST(HtmlParserScripts, ScriptAndStyleContentIsDropped)
{
    EXPECT_EQ(textOf("<script>if (a<b) x();</script>after"), "after");
    EXPECT_EQ(textOf("<SCRIPT>x</Script>y"), "y");
    EXPECT_EQ(textOf("<style>p{}</style>z"), "z");
    EXPECT_EQ(textOf("a<script type=\"t\">x<b>y</b>z</script>b"), "ab");
    EXPECT_EQ(textOf("<script>x</ script >y"), "y");
    // Names are compared on their first six (five) bytes.
    EXPECT_EQ(textOf("<scripts>x</scriptx>y"), "y");
    EXPECT_EQ(textOf("<styles>x</stylez>y"), "y");
    EXPECT_EQ(textOf("<style>x</script>y"), "");
}

TEST(HtmlParserScripts, TagsInsideStyleAreParsedButNotInsideScript)
{
    EXPECT_EQ(reports("<style><img src=a></style>"), (Reports{"src=a"}));
    EXPECT_EQ(reports("<script><img src=a></script>"), Reports{});
    EXPECT_EQ(textOf("<style>a<b>b</b>c</style>d"), "d");
}

TEST(HtmlParserScripts, EachRunStartsOutsideScript)
{
    Recorder r;
    r.run("<script>abc");
    EXPECT_EQ(r.text, "");
    EXPECT_TRUE(r.inScript);
    r.run("def");
    EXPECT_FALSE(r.inScript);
    EXPECT_EQ(r.text, "def");

    Recorder s;
    s.run("<style>abc");
    s.run("def");
    EXPECT_EQ(s.text, "def");
}

TEST(HtmlParserComments, CommentsAndDeclarationsAreSkipped)
{
    EXPECT_EQ(textOf("<!-- note -->x"), "x");
    EXPECT_EQ(textOf("<!-->x"), "x");
    EXPECT_EQ(textOf("<!--->x"), "x");
    EXPECT_EQ(textOf("<!---->x"), "x");
    EXPECT_EQ(textOf("<!DOCTYPE html>x"), "x");
    EXPECT_EQ(textOf("<!>x"), "x");
    EXPECT_EQ(textOf("a<!-- <b>bold</b> -->b"), "ab");
}

TEST(HtmlParserComments, CommentEndsAtDashesOrElseAtFirstGreaterThan)
{
    EXPECT_EQ(textOf("<!-- open > x"), "x");
    EXPECT_EQ(textOf("<!-- a > b --> c"), "c");
    EXPECT_EQ(textOf("<!-- a -> b > c"), "b > c");
    EXPECT_EQ(textOf("<!-- a - > b --> c"), "c");
}

TEST(HtmlParserComments, UnterminatedMarkupStopsTheRun)
{
    EXPECT_EQ(textOf("x<!"), "x");
    EXPECT_EQ(textOf("x<!-"), "x");
    EXPECT_EQ(textOf("x<!>"), "x");
    EXPECT_EQ(textOf("x<!--"), "x");
    EXPECT_EQ(textOf("x<!-- never closed"), "x");
    EXPECT_EQ(textOf("x<!DOCTYPE html"), "x");
    // Without "-->" the comment ends at its first '>', wherever that is.
    EXPECT_EQ(textOf("x<!-- a <b>y</b"), "xy");
}

TEST(HtmlParserTags, EndTags)
{
    EXPECT_EQ(textOf("x</div"), "x");
    EXPECT_EQ(textOf("x</div y"), "x");
    EXPECT_EQ(textOf("a</b c=\">\">b"), "a\">b");
    EXPECT_EQ(textOf("</>x"), "x");
    EXPECT_EQ(textOf("a</ \n b>b"), "ab");
}

TEST(HtmlParserTags, StartTags)
{
    EXPECT_EQ(textOf("x<div"), "x");
    EXPECT_EQ(textOf("x<div class=a"), "x");
    EXPECT_EQ(textOf("<a href=\"x>y\">link</a>"), "link");
    EXPECT_EQ(textOf("<a title='it>s'>t</a>"), "t");
    EXPECT_EQ(textOf("<font color=red size=2>r</font>"), "r");
    EXPECT_EQ(textOf("<br/>a<br />b"), "ab");
}

TEST(HtmlParserTags, LongTagNamesAreCutNotOverrun)
{
    const std::string name40(40, 'q');
    EXPECT_EQ(textOf("<" + name40 + " a=b>text</" + name40 + ">more"), "textmore");
    EXPECT_EQ(textOf("<" + std::string(1000, 'Z') + ">x"), "x");

    // The kept prefix still decides img, script and style.
    const std::string img40 = "img" + std::string(37, 'x');
    EXPECT_EQ(reports("<" + img40 + " src=s.png>"), (Reports{"src=s.png"}));
    const std::string script40 = "script" + std::string(34, '.');
    EXPECT_EQ(textOf("<" + script40 + ">hidden</" + script40 + ">shown"), "shown");

    // A long name that begins like a block tag is no block tag.
    EXPECT_EQ(textOf("<p" + std::string(39, '1') + ">x", true), "x");
    EXPECT_EQ(textOf("<" + std::string(31, 'a') + ">y<" + std::string(32, 'a') + ">z"), "yz");
}

TEST(HtmlParserParagraphs, BlockTagsOpenAndCloseParagraphs)
{
    EXPECT_EQ(textOf("<p>Hi</p>", true), P + "Hi</p>");
    EXPECT_EQ(textOf("<P>Hi</P>", true), P + "Hi</p>");
    EXPECT_EQ(textOf("<br>", true), P);
    EXPECT_EQ(textOf("<br/>", true), P);
    EXPECT_EQ(textOf("<p>a<p>b</p>", true), P + "a" + P + "b</p>");
    EXPECT_EQ(textOf("<div>a</p>b</div>", true), P + "a</p>b");
    EXPECT_EQ(textOf("<h1>t</h6>", true), P + "t</p>");
    EXPECT_EQ(textOf("<p>open", true), P + "open");
    EXPECT_EQ(textOf("a</p>b", true), "ab");
}

TEST(HtmlParserParagraphs, OnlyTheNineNamesCount)
{
    for (const char* tag : {"br", "p", "div", "h1", "h2", "h3", "h4", "h5", "h6"})
        EXPECT_EQ(textOf(std::string("<") + tag + ">", true), P) << tag;
    for (const char* tag : {"pre", "h7", "h", "span", "b", "divx", "brr", "dl", "tr"})
        EXPECT_EQ(textOf(std::string("<") + tag + ">", true), "") << tag;
    EXPECT_TRUE(isBlockTag("div", 3));
    EXPECT_FALSE(isBlockTag("div", 2));
    EXPECT_FALSE(isBlockTag("DIV", 3));
}

TEST(HtmlParserParagraphs, QuestionIsAskedAtEveryBlockStartTagOnly)
{
    Recorder no(false);
    no.run("<p>a</p><br><br><span>b</span></div><img src=x>");
    EXPECT_EQ(no.paragraphQuestions, 3);
    EXPECT_EQ(no.text, "ab");

    Recorder yes(true);
    yes.run("<p>a");
    yes.run("</p>b");  // the open flag belongs to the previous run
    EXPECT_EQ(yes.text, P + "ab");
}

TEST(HtmlParserImages, SrcAndIdWithTagStart)
{
    Recorder r;
    r.run("ab <img src=\"a.png\" id=\"7\"> cd <img id=x>");
    ASSERT_EQ(r.events.size(), 3u);
    EXPECT_EQ(r.events[0].kind, "src");
    EXPECT_EQ(r.events[0].value, "a.png");
    EXPECT_EQ(r.events[0].tagOffset, 3);
    EXPECT_EQ(r.events[0].textSoFar, "ab ");
    EXPECT_EQ(r.events[1].kind, "id");
    EXPECT_EQ(r.events[1].value, "7");
    EXPECT_EQ(r.events[1].tagOffset, 3);
    EXPECT_EQ(r.events[2].kind, "id");
    EXPECT_EQ(r.events[2].tagOffset, 31);
    EXPECT_EQ(r.events[2].textSoFar, "ab cd ");
    EXPECT_EQ(r.text, "ab cd ");
}

TEST(HtmlParserImages, HandlersMayAppendToText)
{
    Recorder r;
    r.srcMarker = "[img]";
    r.run("a<img src=x>b<img src=y/>c");
    EXPECT_EQ(r.text, "a[img]b[img]c");
}

TEST(HtmlParserImages, QuotingRules)
{
    EXPECT_EQ(reports("<img src='a b.png'>"), (Reports{"src=a b.png"}));
    EXPECT_EQ(reports("<img src=a b.png>"), (Reports{"src=a"}));
    EXPECT_EQ(reports("<img src=\"a.png>"), (Reports{"src=a.png"}));
    EXPECT_EQ(reports("<img src=\"a.png>x \"y\""), (Reports{"src=a.png>x "}));
    EXPECT_EQ(reports("<img src=\"\">"), (Reports{"src="}));
    EXPECT_EQ(reports("<img src>"), Reports{});
    EXPECT_EQ(reports("<img src=>"), (Reports{"src="}));
    EXPECT_EQ(reports("<img src=\"it's\">"), (Reports{"src=it's"}));
    EXPECT_EQ(reports("<img \n src \t = \r 'x' >"), (Reports{"src=x"}));
    EXPECT_EQ(reports("<img src=a&amp;b>"), (Reports{"src=a&amp;b"}));
    // The closing quote starts the next name.
    EXPECT_EQ(reports("<img id=\"a\"src=\"b\">"), (Reports{"id=a"}));
    EXPECT_EQ(reports("<img src=\"a\" id='b' src=c>"), (Reports{"src=a", "id=b", "src=c"}));
}

TEST(HtmlParserImages, NamesAreComparedExactly)
{
    EXPECT_EQ(reports("<IMG SRC=\"a.png\">"), Reports{});
    EXPECT_EQ(reports("<IMG src=\"a.png\">"), (Reports{"src=a.png"}));
    EXPECT_EQ(reports("<imgx src=\"a\">"), (Reports{"src=a"}));
    EXPECT_EQ(reports("<im src=a>"), Reports{});
    EXPECT_EQ(reports("<a src=a id=b>"), Reports{});
    EXPECT_EQ(reports("<img srcset=a ids=b =c>"), Reports{});
    EXPECT_EQ(reports("</img src=a>"), Reports{});
}

TEST(HtmlParserImages, TruncatedImageTagsStillReport)
{
    EXPECT_EQ(reports("<img src=\"a.png\""), (Reports{"src=a.png"}));
    EXPECT_EQ(reports("<img src=\"a.png"), (Reports{"src=a.png"}));
    EXPECT_EQ(reports("<img id=1 src="), (Reports{"id=1", "src="}));
    EXPECT_EQ(textOf("<img src='a.png>x"), "x");
}
