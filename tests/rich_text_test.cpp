// Rich text: pictures resolved to resources and local files, and the
// rewritten copy of ParseHtml2's keep-body mode. Message bodies and the way
// back: RichTextParser_Orb with a catalogue.
#include <gtest/gtest.h>

#include <vector>

#include "api/state.h"
#include "emoticons/number.h"
#include "fs/Path.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser.h"
#include "html/RichTextParser_Orb.h"
#include "html/image_source.h"
#include "html/md5.h"
#include "html/text_search.h"
#include "support/common.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        callbackCalls.clear();
        Callback = recordCallback;
        CallbackUser = 0x123456789abcLL;
    }
    void TearDown() override { Callback = nullptr; }

    static std::string img(const std::string& path) { return "<img src=\"" + path + "\"/>"; }
    // The file:/// address of an absolute local path (file:///C:/... on Windows).
    static std::string fileUrl(const std::string& path)
    {
        return (path[0] == '/' ? "file://" : "file:///") + path;
    }
    void parse(const std::string& input) { parser.parse(input.data(), input.size()); }
    void keepBody(const std::string& input)
    {
        parser.setKeepBody(true);
        parser.parseToBody(input);
        parser.setKeepBody(false);
    }

    TempDir dir;
    const std::string picture = dir.write("p.png", "png");
    RichTextParser parser;
};

TEST_F(RichTextTest, ResolvesResourcesAndLocalFilesOncePerRun)
{
    std::string input = "<p>a<img src=\":/Res/x.png\" width=3>b<img src=\"" + fileUrl(picture) +
                        "\"><img src=\"" + picture + "\"><img src=':/Res/x.png'></p>";
    parse(input);
    EXPECT_EQ(parser.text, ParagraphPrefix + ("a" + img(":/Res/x.png") + "b" + img(picture) +
                                              img(picture) + img(":/Res/x.png") + "</p>"));
    // One announcement per distinct source, NUL-terminated, with the user value.
    ASSERT_EQ(callbackCalls.size(), 3u);
    EXPECT_EQ(callbackCalls[0].data, ":/Res/x.png");
    EXPECT_EQ(callbackCalls[1].data, picture);
    EXPECT_EQ(callbackCalls[2].data, picture);
    for (const auto& call : callbackCalls) {
        EXPECT_EQ(call.code, 2);
        EXPECT_TRUE(call.nulTerminated);
        EXPECT_EQ(call.user, 0x123456789abcLL);
    }
    // A plain parse leaves its look-ups in the cache, so the next run
    // announces nothing; a keep-body run empties the cache at its end, so the
    // run after it resolves everything again.
    callbackCalls.clear();
    keepBody(input);
    EXPECT_TRUE(callbackCalls.empty());
    EXPECT_TRUE(parser.imageCache.empty());
    keepBody(input);
    EXPECT_EQ(callbackCalls.size(), 3u);

    // Without a callback there is no call.
    Callback = nullptr;
    RichTextParser quiet;
    quiet.parse(input.data(), input.size());
    EXPECT_EQ(callbackCalls.size(), 3u);
}

TEST_F(RichTextTest, ManyPicturesInOneRunAreEachResolvedOnce)
{
    // Far more distinct sources than the parser keeps without the heap, each
    // twice, over runs that start again from an empty cache.
    std::string input, expected;
    for (int i = 0; i < 200; ++i) {
        const std::string source = ":/Res/FaceMgr/em/" + std::to_string(i) + ".png";
        input += "<img src=\"" + source + "\"><img src=\"" + source + "\">";
        expected += img(source) + img(source);
    }
    for (int run = 0; run < 3; ++run) {
        callbackCalls.clear();
        keepBody(input);
        EXPECT_EQ(parser.text, expected);
        EXPECT_EQ(parser.body, expected);
        ASSERT_EQ(callbackCalls.size(), 200u);
        EXPECT_EQ(callbackCalls[199].data, ":/Res/FaceMgr/em/199.png");
        EXPECT_TRUE(parser.imageCache.empty());
    }
}

TEST_F(RichTextTest, UnresolvableSourcesAreDropped)
{
    // Local sources are taken as written: "&amp;" and "%25" are not decoded.
    dir.write("a&b.png", "png");
    dir.write("50% off.png", "png");
    parse("x<img src=\"https://host/a.png\"><img src=\"ftp://h/b.png\"><img src=\"" + dir.path() +
          "\"><img src=\"" + dir.path() + "/nope.png\"><img src=\"\"><img alt=a><img src=\"" +
          dir.path() + "/a&amp;b.png\"><img src=\"" + fileUrl(dir / "50%25 off.png") + "\">y");
    EXPECT_EQ(parser.text, "xy");
    EXPECT_TRUE(callbackCalls.empty());

    RichTextParser resources;
    resources.resourceImagesOnly = true;
    const std::string input =
        "<img src=\"" + picture + "\"><img src=\":/e/1.png\"><img src=\"http://h/a.png\">";
    resources.parse(input.data(), input.size());
    EXPECT_EQ(resources.text, img(":/e/1.png"));
    EXPECT_EQ(resources.downloader, nullptr);
    EXPECT_EQ(callbackCalls.size(), 1u);
}

TEST_F(RichTextTest, KeepBodyRewritesCopy)
{
    keepBody("<body>a <img width=\"9\" src=\"" + picture + "\" alt=x> b <img src=\"" + dir.path() +
             "/gone.png\" /> c <img src=\"\"> <img src=\":/e/2.png\"><IMG SRC=\"q\"> end</body>");
    EXPECT_EQ(parser.body, "<body>a " + img(picture) + " b  c <img src=\"\"> " + img(":/e/2.png") +
                               "<IMG SRC=\"q\"> end</body>");
    EXPECT_EQ(parser.text, "a " + img(picture) + "b c " + img(":/e/2.png") + "end");
    EXPECT_FALSE(parser.keepBody);

    // No ">" after the image tag: the rest of the input is the tag.
    keepBody("a<img src=\":/e/1.png\"");
    EXPECT_EQ(parser.body, "a" + img(":/e/1.png"));

    // Two handled sources in one tag: both replacements, one after the other.
    keepBody("a<img src=\":/e/1.png\" src=\":/e/2.png\">b");
    EXPECT_EQ(parser.body, "a" + img(":/e/1.png") + img(":/e/2.png") + "b");
    EXPECT_EQ(parser.text, "a" + img(":/e/1.png") + img(":/e/2.png") + "b");

    // The uncopied tail stops at an embedded NUL byte.
    keepBody(std::string("x<img src=\":/e/1.png\">y\0z", 24));
    EXPECT_EQ(parser.body, "x" + img(":/e/1.png") + "y");
}

const std::string Emo1 = "<img src=\":/Res/FaceMgr/em/1.png\"/>";

std::string titleDiv(const std::string& t = "", const std::string& s = "", const std::string& d = "")
{
    return "<div id=\"title_div\"><h1 id=\"title\">" + t + "</h1><span id=\"sender\">" + s +
           "</span><span id=\"date\">" + d + "</span></div>";
}

class BodyTest : public ::testing::Test {
protected:
    void SetUp() override { Catalogue = &catalogue; }
    void TearDown() override { Catalogue = nullptr; }

    TempDir dir;
    EmoticonCache catalogue{dir.write("emo.dat", SampleCatalogueXml).c_str()};
    const std::string picture = dir.write("pic & co.png", "png bytes"), key = imageKey(picture);
    RichTextParser_Orb parser;
};

TEST_F(BodyTest, QtMessageRoundTrip)
{
    std::string pic = "<img src=\"" + picture + "\" />";
    std::string html =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"><html><head><style type=\"text/css\">"
        "p { white-space: pre-wrap; }</style></head><body style=\" font-size:9pt;\">"
        "<p style=\"margin:0px;\">Hi <img src=\":/Res/FaceMgr/em/1.png\" /> there " + pic +
        " and <img src=\":/Res/FaceMgr/em/1.png\" />" + pic + "</p></body></html>";
    parser.SetCustomHead("Chat", "Ann", "2026-12-06");
    parser.convertMessage(html);

    std::string ref = "<img id=\"" + key + "\"/>";
    std::string body = "<body style=\" font-size:9pt;\">" + titleDiv("Chat", "Ann", "2026-12-06") +
                       "<p style=\"margin:0px;\">Hi <img id=\"smile\"/> there " + ref +
                       " and <img id=\"smile\"/>" + ref + "</p></body>";
    EXPECT_EQ(parser.body, body);
    EXPECT_EQ(parser.text, "Hi [smile]there and [smile]");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}, {key, picture}}));
    EXPECT_TRUE(parser.imageCache.empty() && parser.seenEmoticons.empty());

    // Back to HTML with the lists of the conversion: no title div, every
    // reference resolved.
    StringPairList images = parser.imageList;
    parser.loadImageList(images);
    parser.rebuildHtml(body);
    std::string local = "<img src=\"" + picture + "\"/>";
    EXPECT_EQ(parser.body, "<body style=\" font-size:9pt;\"><p style=\"margin:0px;\">Hi " + Emo1 +
                               " there " + local + " and " + Emo1 + local + "</p></body>");
    EXPECT_TRUE(parser.rebuildMode);
    EXPECT_TRUE(parser.emoticonList.empty() && parser.imageList.empty());

    // A Qt paragraph of the body's text: head strings first, emoticons as
    // image tags, pictures left out.
    parser.emoticonText(body);
    EXPECT_FALSE(parser.rebuildMode);
    EXPECT_EQ(parser.text, "ChatAnn2026-12-06Hi " + Emo1 + "there and " + Emo1);
    EXPECT_TRUE(parser.body.empty());
}

TEST_F(BodyTest, RunLookupsSurviveTheBaseRun)
{
    // The base class's keep-body run on a body parser leaves emoticon ids
    // behind while it empties its own image look-ups; later conversions
    // must still see every id and picture correctly.
    std::string emoticons;
    for (int round = 0; round < 20; ++round)
        for (int n = 1; n <= 5; ++n)
            emoticons += "<img src=\":/Res/FaceMgr/em/" + std::to_string(n) + ".png\"/>";
    parser.setKeepBody(true);
    parser.parseToBody("<p>" + emoticons + "<img src=\"" + picture + "\"/></p>");
    parser.setKeepBody(false);
    EXPECT_EQ(parser.seenEmoticons.size(), 5u);
    EXPECT_TRUE(parser.imageCache.empty());

    const StringPairList all{{"smile", "[smile]"}, {"wink", "[wink]"}, {"grin", "[grin]"},
                             {"cake", "[cake]"}, {"rock & roll", "[rock & roll]"}};
    std::string labels;
    for (int round = 0; round < 20; ++round)
        labels += "[smile][wink][grin][cake][rock & roll]";
    for (int run = 0; run < 3; ++run) {
        parser.convertMessage("<body>" + emoticons + "<img src=\"" + picture + "\"/></body>");
        EXPECT_EQ(parser.text, labels);
        // The first conversion still holds the ids of the base run, which
        // only a conversion's end empties.
        EXPECT_EQ(parser.emoticonList, run == 0 ? StringPairList{} : all);
        EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
        EXPECT_TRUE(parser.imageCache.empty() && parser.seenEmoticons.empty());
    }
}

TEST_F(BodyTest, Conversions)
{
    const std::string nul(1, '\0'), T = titleDiv();
    std::string escaped = picture;
    escaped.replace(escaped.find('&'), 1, "&amp;");
    const std::string unresolved =
        "<img src=\":/Res/FaceMgr/em/0.png\"/><img src=\":/Res/FaceMgr/em/6.png\"/>"
        "<img src=\":/Res/FaceMgr/em/x.png\"/><img src=\"http://host/a.png\"/>"
        "<img src=\"" + dir.path() + "/missing.png\"/><img alt=\"none\"/><img src=\"\"/>";
    const struct {
        std::string input, body, text;
    } cases[] = {
        // Unknown emoticon numbers, remote, missing and empty sources stay as written.
        {"<body>" + unresolved + "</body>", "<body>" + T + unresolved + "</body>", ""},
        // Emoticons by the number of their file name, in any folder; "&amp;" read as "&".
        {"<body><img src=\":/elsewhere/5.png\"/><img src=\"" + escaped + "\"/></body>",
         "<body>" + T + "<img id=\"rock & roll\"/><img id=\"" + key + "\"/></body>", "[rock & roll]"},
        // A tag without "/>" runs to the next one, or else ends at its own ">".
        {"<body><img src=\":/Res/FaceMgr/em/2.png\"><b>bold</b><br/>tail</body>",
         "<body>" + T + "<img id=\"wink\"/>tail</body>", "[wink]boldtail"},
        {"<body><img src=\":/Res/FaceMgr/em/2.png\">tail</body>",
         "<body>" + T + "<img id=\"wink\"/>tail</body>", "[wink]tail"},
        // ... but never past the last "</body>" nor past a NUL byte.
        {"<body><img src=\":/Res/FaceMgr/em/1.png\">x</body><br/>",
         "<body>" + T + "<img id=\"smile\"/>x</body>", "[smile]x"},
        {"<body>a<img src=\":/Res/FaceMgr/em/1.png\"" + nul + ">b/></body>",
         "<body>" + T + "a<img id=\"smile\"/>" + nul + ">b/></body>", "a[smile]b/>"},
        // Catalogue names in id attributes.
        {"<body>a<img id=\"cake\"/>b<img id=\"nothing\"/></body>",
         "<body>" + T + "a<img id=\"cake\"/>b<img id=\"nothing\"/></body>",
         "a<img src=\":/Res/FaceMgr/em/4.png\"/>b"},
        // Without "<body" the whole message is the body; without "</body>" the rest.
        {"hi <img src=\":/Res/FaceMgr/em/3.png\"/>", "<body>" + T + "hi <img id=\"grin\"/></body>",
         "hi [grin]"},
        {"<html><body bgcolor=x>hi", "<body bgcolor=x>" + T + "hi</body>", "hi"},
    };
    for (const auto& c : cases) {
        parser.convertMessage(c.input);
        EXPECT_EQ(parser.body, c.body) << c.input;
        EXPECT_EQ(parser.text, c.text) << c.input;
    }
    parser.convertMessage("<body><img src=\"" + escaped + "\"/></body>");
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));

    // Without a catalogue nothing resolves as an emoticon.
    Catalogue = nullptr;
    parser.convertMessage("<body><img src=\":/Res/FaceMgr/em/1.png\"/><img id=\"smile\"/></body>");
    EXPECT_EQ(parser.text, "");
    EXPECT_EQ(parser.body, "<body>" + T + "<img src=\":/Res/FaceMgr/em/1.png\"/><img id=\"smile\"/></body>");
}

TEST_F(BodyTest, Rebuild)
{
    std::string other = dir.write("other.png", "x");
    StringPairList pairs{{key, picture}, {key, other}};
    parser.loadImageList(pairs);
    parser.rebuildHtml("<body>" + titleDiv("t", "s", "d") + "<img id=\"" + key +
                       "\"/><img id=\"feedface\"/><img id=\"rock & roll\"/><img id=\"gone\"/></body>");
    EXPECT_EQ(parser.body, "<body><img src=\"" + picture + "\"/><img id=\"feedface\"/>"
                           "<img src=\":/Res/FaceMgr/em/5.png\"/><img id=\"gone\"/></body>");

    // Without pairs only the emoticons resolve.
    parser.rebuildHtml("<body><img id=\"" + key + "\"/><img id=\"smile\"/></body>");
    EXPECT_EQ(parser.body, "<body><img id=\"" + key + "\"/>" + Emo1 + "</body>");

    // A title div without its end is left in place.
    parser.rebuildHtml("<body><div id=\"title_div\">x");
    EXPECT_EQ(parser.body, "<body><div id=\"title_div\">x");

    // Sources are handled as in a conversion.
    parser.rebuildHtml("<body>" + Emo1 + "<img src=\"" + picture + "\"/></body>");
    EXPECT_EQ(parser.body, "<body><img id=\"smile\"/><img id=\"" + key + "\"/></body>");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
}

TEST_F(BodyTest, ReplacedTagsShareTheFarEndOfTheFirst)
{
    // The first two tags run to the "/>" of <br/>; the third, after it, has
    // none left and ends at its own '>'.
    parser.convertMessage("<body>a<img src=\":/Res/FaceMgr/em/1.png\">b<img src=\":/Res/FaceMgr/em/2.png\">"
                          "c<br/>d<img src=\":/Res/FaceMgr/em/3.png\">e</body>");
    EXPECT_EQ(parser.body,
              "<body>" + titleDiv() + "a<img id=\"smile\"/><img id=\"wink\"/>d<img id=\"grin\"/>e</body>");
    EXPECT_EQ(parser.text, "a[smile]b[wink]cd[grin]e");

    // One unclosed tag with several sources: each follows the one before.
    RichTextParser rich;
    rich.setKeepBody(true);
    rich.parseToBody("x<img src=\":/a.png\" src=\":/b.png\" src=\":/a.png\"");
    EXPECT_EQ(rich.body, "x<img src=\":/a.png\"/><img src=\":/b.png\"/><img src=\":/a.png\"/>");

    // Thousands of tags that all run to the one "/>" at the end.
    std::string message = "<body>", references, text;
    for (int i = 0; i < 5000; ++i) {
        message.append("<img src=\":/Res/FaceMgr/em/1.png\">x");
        references.append("<img id=\"smile\"/>");
        text.append("[smile]x");
    }
    parser.convertMessage(message + "<br/>y</body>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv() + references + "y</body>");
    EXPECT_EQ(parser.text, text + "y");
}

TEST(ResourceNumber, IsTheNumberOfThePathsFileName)
{
    // Every arrangement of up to four pieces: separators, dots, drives,
    // numbers with signs and spaces, and NUL bytes.
    const std::vector<std::string> pieces = {":/", "/", "\\", ".", "..", "12", " 7", "-3",
                                             "4.png", "a:b", "x", std::string(1, '\0') + "9"};
    std::vector<std::string> sources{""};
    for (std::size_t from = 0, length = 0; length < 4; ++length) {
        const std::size_t to = sources.size();
        for (std::size_t i = from; i < to; ++i)
            for (const auto& piece : pieces)
                sources.push_back(sources[i] + piece);
        from = to;
    }
    for (const auto& source : sources)
        ASSERT_EQ(resourceNumber(source), readNumber(Path(source).filename().str().c_str())) << source;
}

TEST(TextSearch, AgreesWithTheStringSearches)
{
    // Every string of up to seven bytes over "ab<", every needle of up to
    // three bytes, every pivot and start: the pivot byte decides only how the
    // search runs, never what it finds.
    std::vector<std::string> texts{""};
    for (std::size_t from = 0, length = 0; length < 7; ++length) {
        const std::size_t to = texts.size();
        for (std::size_t i = from; i < to; ++i)
            for (char c : {'a', 'b', '<'})
                texts.push_back(texts[i] + c);
        from = to;
    }
    for (const std::string needle : {"a", "<b", "ab<", "b<b", "<<"}) {
        for (const std::string& text : texts) {
            ASSERT_EQ(findLastText(text, needle), text.rfind(needle)) << text << " / " << needle;
            for (std::size_t pivot = 0; pivot < needle.size(); ++pivot)
                for (std::size_t from = 0; from <= text.size() + 1; ++from)
                    ASSERT_EQ(findText(text, needle, pivot, from), text.find(needle, from))
                        << text << " / " << needle << " pivot " << pivot << " from " << from;
        }
    }
}

TEST(AppendPieces, JoinsShortAndLongPieces)
{
    const std::string longPiece(300, 'x');
    std::string out = "head:";
    appendPieces(out, {"[", "", "name", "]"});
    appendPieces(out, {"<", longPiece, ">"});
    EXPECT_EQ(out, "head:[name]<" + longPiece + ">");
}

}  // namespace
