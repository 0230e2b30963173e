// SPDX-License-Identifier: MIT
// Rich text: pictures resolved to resources and local files, and the
// rewritten copy of ParseHtml2's keep-body mode. Message bodies and the way
// back: RichTextParser_Orb with a catalogue.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "api/state.h"
#include "base/number.h"
#include "base/text_search.h"
#include "fs/Path.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser.h"
#include "html/RichTextParser_Orb.h"
#include "html/SingleCallParser.h"
#include "html/image_source.h"
#include "html/md5.h"
#include "support/common.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

std::string img(const std::string& path)
{
    return imageTag(path);
}

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        callbackCalls.clear();
        parser.announcer = announcer;
    }

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
    const Announcer announcer{recordCallback, 0x123456789abcLL};
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
    std::string announced;
    for (const auto& call : callbackCalls) {
        announced += call.data + "|";
        EXPECT_TRUE(call.code == 2 && call.nulTerminated && call.user == 0x123456789abcLL);
    }
    EXPECT_EQ(announced, ":/Res/x.png|" + picture + "|" + picture + "|");
    // A plain parse leaves its look-ups in the cache, so the next run
    // announces nothing; a keep-body run empties the cache at its end.
    EXPECT_EQ(parser.imageCache, (std::map<std::string, std::string>{{imageKey(":/Res/x.png"), ":/Res/x.png"},
                                                                     {imageKey(fileUrl(picture)), picture},
                                                                     {imageKey(picture), picture}}));
    callbackCalls.clear();
    keepBody(input);
    EXPECT_TRUE(callbackCalls.empty() && parser.imageCache.empty());

    // Far more distinct sources than the parser keeps without the heap, each
    // twice, over runs that each start again from an empty cache. The input
    // is written as the parser writes images, so it is also the output.
    input.clear();
    for (int i = 0; i < 400; ++i)
        input += img(":/Res/FaceMgr/em/" + std::to_string(i / 2) + ".png");
    for (int run = 0; run < 2; ++run) {
        callbackCalls.clear();
        keepBody(input);
        EXPECT_TRUE(parser.text == input && parser.body == input);
        EXPECT_EQ(callbackCalls.size(), 200u);
    }

    // Without a callback there is no call.
    RichTextParser().parse(input.data(), input.size());
    EXPECT_EQ(callbackCalls.size(), 200u);
}

TEST_F(RichTextTest, SingleCallParserWritesAndAnnouncesAsTheOrdinaryOne)
{
    // ParseHtml's parser remembers its first sixteen sources in a table of
    // its own and the rest in a map of its own. Repeats before and after the
    // table fills, two sources naming one file, a missing file met twice and
    // a source larger than the parser's own memory must come out as from a
    // RichTextParser; so must, while the table serves, equal lengths and
    // endings with different starts, and sources shorter than eight bytes.
    std::string input = img(":/a/same.png") + img(":/b/same.png") + img(":/a/same.png") + img(":/a") + img(":/b");
    for (int i = 0; i < 40; ++i) {
        input += img(":/Res/FaceMgr/em/" + std::to_string(i * 7 % 23) + ".png");
        if (i % 8 == 0)
            input += img(picture) + img(fileUrl(picture)) + img(dir.path() + "/missing.png");
    }
    const std::string huge = img(":/" + std::string(3000, 'w') + ".png");
    input += huge + huge;
    auto announcements = [] {
        std::string all;
        for (const auto& call : callbackCalls) {
            all += std::to_string(call.code) + ":" + call.data + "|";
            EXPECT_TRUE(call.nulTerminated) << call.data;
        }
        callbackCalls.clear();
        return all;
    };
    for (bool resourcesOnly : {false, true}) {
        RichTextParser ordinary;
        SingleCallParser single;
        ordinary.announcer = single.announcer = announcer;
        ordinary.resourceImagesOnly = single.resourceImagesOnly = resourcesOnly;
        ordinary.parse(input.data(), input.size());
        const std::string expected = announcements();
        single.parse(input.data(), input.size());
        EXPECT_EQ(announcements(), expected);
        EXPECT_EQ(single.text, ordinary.text);
    }

    // Sources are read where they stand in the message and kept only when
    // first resolved: a second run, after the first message is gone, and
    // sources handed in directly, not by the tokenizer, behave as in a
    // RichTextParser.
    RichTextParser ordinary;
    SingleCallParser single;
    ordinary.announcer = single.announcer = announcer;
    std::string expected;
    for (RichTextParser* parser : {&ordinary, static_cast<RichTextParser*>(&single)}) {
        {
            const std::string gone = img(":/Res/a.png") + img(picture);
            parser->parse(gone.data(), gone.size());
        }
        const std::string next = img(":/Res/b.png") + img(picture) + img(":/Res/a.png") + img(":/Res/b.png");
        parser->parse(next.data(), next.size());
        {
            const std::string src = ":/Res/c.png";
            parser->onImgSrc(nullptr, src);
        }
        parser->onImgSrc(nullptr, ":/Res/c.png");
        parser->onImgSrc(nullptr, ":/Res/b.png");
        if (parser == &ordinary)
            expected = announcements();
    }
    EXPECT_EQ(announcements(), expected);
    EXPECT_EQ(expected, "2::/Res/a.png|2:" + picture + "|2::/Res/b.png|2::/Res/c.png|");
    EXPECT_EQ(single.text, ordinary.text);
}

TEST_F(RichTextTest, UnresolvableSourcesAreDropped)
{
    // Local sources are taken as written: "&amp;" and "%25" are not decoded.
    dir.write("a&b.png", "png"), dir.write("50% off.png", "png");
    parse("x<img src=\"https://host/a.png\"><img src=\"" + dir.path() +
          "\"><img src=\"" + dir.path() + "/nope.png\"><img src=\"\"><img alt=a><img src=\"" +
          dir.path() + "/a&amp;b.png\"><img src=\"" + fileUrl(dir / "50%25 off.png") + "\">y");
    EXPECT_EQ(parser.text, "xy");
    EXPECT_TRUE(callbackCalls.empty());

    // A path with a NUL byte would be tested up to the NUL and announced whole.
    parse("x<img src=\"" + picture + std::string(1, '\0') + ".png\">y");
    EXPECT_EQ(parser.text, "xy");
    EXPECT_TRUE(callbackCalls.empty());

    // Only resources, when asked: no file look-up, no download.
    parser.resourceImagesOnly = true;
    parse(img(picture) + img(":/e/1.png") + img("http://h/a.png"));
    EXPECT_EQ(parser.text, img(":/e/1.png"));
    EXPECT_EQ(parser.downloader, nullptr);
    EXPECT_EQ(callbackCalls.size(), 1u);
}

TEST_F(RichTextTest, KeepBodyRewritesCopy)
{
    keepBody("<body>a <img width=\"9\" src=\"" + picture + "\" alt=x> b <img src=\"" + dir.path() +
             "/gone.png\" /> c <img src=\"\"> <img src=\":/e/2.png\"><IMG SRC=\"q\"> end</body>");
    EXPECT_EQ(parser.body, "<body>a " + img(picture) + " b  c <img src=\"\"> " + img(":/e/2.png") +
                               "<IMG SRC=\"q\"> end</body>");
    EXPECT_EQ(parser.text, "a " + img(picture) + "b c " + img(":/e/2.png") + "end");

    // Several handled sources in one tag (one too long to be put together on
    // the stack): each replacement follows the one before; without a ">" the
    // rest of the input is the tag.
    const std::string longSource = ":/" + std::string(300, 'l') + ".png";
    keepBody("a<img src=\":/e/1.png\" src=\"" + longSource + "\">b");
    EXPECT_EQ(parser.body, "a" + img(":/e/1.png") + img(longSource) + "b");
    EXPECT_EQ(parser.text, parser.body);
    keepBody("x<img src=\":/a.png\" src=\":/b.png\" src=\":/a.png\"");
    EXPECT_EQ(parser.body, "x" + img(":/a.png") + img(":/b.png") + img(":/a.png"));

    // The uncopied tail stops at an embedded NUL byte.
    keepBody(std::string("x<img src=\":/e/1.png\">y\0z", 24));
    EXPECT_EQ(parser.body, "x" + img(":/e/1.png") + "y");
}

const std::string Emo1 = img(":/Res/FaceMgr/em/1.png");

std::string titleDiv(const std::string& t = "", const std::string& s = "", const std::string& d = "")
{
    return "<div id=\"title_div\"><h1 id=\"title\">" + t + "</h1><span id=\"sender\">" + s +
           "</span><span id=\"date\">" + d + "</span></div>";
}

std::string ref(const std::string& id) { return "<img id=\"" + id + "\"/>"; }

class BodyTest : public ::testing::Test {
protected:
    void SetUp() override { parser.catalogue = &catalogue; }

    TempDir dir;
    EmoticonCache catalogue{dir.write("emo.dat", SampleCatalogueXml).c_str()};
    const std::string picture = dir.write("pic & co.png", "png bytes"), key = imageKey(picture);
    RichTextParser_Orb parser;
};

TEST_F(BodyTest, QtMessageRoundTrip)
{
    const std::string pic = "<img src=\"" + picture + "\" />", em1 = "<img src=\":/Res/FaceMgr/em/1.png\" />";
    parser.SetCustomHead("Chat", "Ann", "2026-12-06");
    // The head Qt writes, which the search for the body passes over whole.
    parser.convertMessage("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                          "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><head><meta name=\"qrichtext\" "
                          "content=\"1\" /><style type=\"text/css\">\np, li { white-space: pre-wrap; }\n</style>"
                          "</head><body style=\" font-size:9pt;\"><p style=\"margin:0px;\">Hi " +
                          em1 + " there " + pic + " and " + em1 + pic + "</p></body></html>");
    const std::string body = "<body style=\" font-size:9pt;\">" + titleDiv("Chat", "Ann", "2026-12-06") +
                             "<p style=\"margin:0px;\">Hi " + ref("smile") + " there " + ref(key) + " and " +
                             ref("smile") + ref(key) + "</p></body>";
    EXPECT_EQ(parser.body, body);
    EXPECT_EQ(parser.text, "Hi [smile]there and [smile]");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}, {key, picture}}));
    EXPECT_TRUE(parser.imageCache.empty() && parser.seenEmoticons.empty());

    // Back to HTML with the lists of the conversion, where the first pair of
    // a key counts: no title div, known references resolved, others left.
    StringPairList images = parser.imageList;
    images.emplace_back(key, dir.write("other.png", "x"));
    parser.loadImageList(images);
    parser.rebuildHtml(body + ref("feedface") + ref("rock & roll"));
    EXPECT_EQ(parser.body, "<body style=\" font-size:9pt;\"><p style=\"margin:0px;\">Hi " + Emo1 +
                               " there " + img(picture) + " and " + Emo1 + img(picture) + "</p></body>" +
                               ref("feedface") + img(":/Res/FaceMgr/em/5.png"));
    // The lists start afresh, and the pairs count for this rebuild only.
    EXPECT_TRUE(parser.emoticonList.empty() && parser.imageList.empty() && parser.imageCache.empty());

    // After a rebuild, a Qt paragraph of the body's text: head strings first,
    // emoticons as image tags, pictures left out.
    parser.emoticonText(body);
    EXPECT_EQ(parser.text, "ChatAnn2026-12-06Hi " + Emo1 + "there and " + Emo1);
    EXPECT_TRUE(parser.body.empty());

    // A rebuild handles sources as a conversion does, and leaves a title div
    // without its end in place.
    parser.rebuildHtml("<body>" + Emo1 + img(picture) + "<div id=\"title_div\">x");
    EXPECT_EQ(parser.body, "<body>" + ref("smile") + ref(key) + "<div id=\"title_div\">x");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
}

TEST_F(BodyTest, ARebuildWithATitleDivIsTheRebuildOfTheBodyWithoutIt)
{
    // After a plain body tag the rest of the body is parsed where it stands;
    // after anything else a copy without the div is. Either way the result
    // is that of the body without its div, whatever the div cuts into.
    const std::string before[] = {"<body>",
                                  "<body style=\" font-family:'Sans'; a>b;\">",
                                  "",
                                  "<body style=\"x\" id=\"y\">",
                                  "<body style=\"open>",
                                  "<body style=\">",
                                  "<p>",
                                  "<b>text",
                                  "<!-- c",
                                  "<script>",
                                  "<img id=\"smile",
                                  "<body style='x'>"};
    const std::string after[] = {
        "<p>Hi " + ref("smile") + ref(key) + "</p></body>",
        "\">" + ref("wink") + "-->" + ref(key) + "</script>" + ref("cake"),
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
        "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
        "p, li { white-space: pre-wrap; }\n</style></head>" +
            ref("grin"),
        "  text " + ref("feedface") + ref(key) + " end"};
    const StringPairList images{{key, picture}};
    for (const std::string& start : before) {
        for (const std::string& rest : after) {
            parser.loadImageList(images);
            parser.rebuildHtml(start + rest);
            const std::string expectedBody = parser.body, expectedText = parser.text;
            parser.loadImageList(images);
            parser.rebuildHtml(start + titleDiv("T", "S", "D") + rest);
            EXPECT_EQ(parser.body, expectedBody) << start << rest;
            EXPECT_EQ(parser.text, expectedText) << start << rest;
        }
    }
}

TEST_F(BodyTest, RunLookupsSurviveTheBaseRun)
{
    // The base class's keep-body run on a body parser leaves emoticon ids
    // behind while it empties its own image look-ups; later conversions must
    // still see every id and picture correctly. The first still holds the
    // ids of the base run, which only a conversion's end empties.
    std::string message;
    for (int n = 1; n <= 5; ++n)
        message += img(":/Res/FaceMgr/em/" + std::to_string(n) + ".png");
    message += img(picture);
    parser.setKeepBody(true);
    parser.parseToBody(message);
    parser.setKeepBody(false);
    const std::set<std::string>& seen = parser.seenEmoticons;
    EXPECT_EQ(seen.size(), 5u);

    const StringPairList all{{"smile", "[smile]"}, {"wink", "[wink]"}, {"grin", "[grin]"},
                             {"cake", "[cake]"}, {"rock & roll", "[rock & roll]"}};
    for (int run = 0; run < 2; ++run) {
        parser.convertMessage(message);
        EXPECT_EQ(parser.text, "[smile][wink][grin][cake][rock & roll]");
        EXPECT_EQ(parser.emoticonList, run == 0 ? StringPairList{} : all);
        EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
    }
}

TEST(BodyEmoticons, EachIdIsListedOnceHoweverMany)
{
    // 40 emoticons, two of them sharing an id, each shown three times: the
    // first sixteen ids are remembered apart from seenEmoticons, the others
    // in it, and every id is listed once, in the order first met.
    TempDir dir;
    std::string xml = "<face><clasic size=\"40\">";
    for (int n = 1; n <= 40; ++n)
        xml += "<em id=\"" + std::to_string(n == 30 ? 3 : n) + "\">e" + std::to_string(n) + "</em>";
    EmoticonCache catalogue(dir.write("emo.dat", xml + "</clasic></face>").c_str());
    RichTextParser_Orb parser;
    parser.catalogue = &catalogue;
    std::string message;
    StringPairList expected;
    for (int round = 0; round < 3; ++round) {
        for (int n = 1; n <= 40; ++n) {
            message += img(":/Res/FaceMgr/em/" + std::to_string(n) + ".png");
            if (round == 0 && n != 30)
                expected.emplace_back("e" + std::to_string(n), "[e" + std::to_string(n) + "]");
        }
    }
    for (int run = 0; run < 2; ++run) {
        parser.convertMessage(message);
        EXPECT_EQ(parser.emoticonList, expected);
        EXPECT_TRUE(parser.seenEmoticons.empty());
    }
}

TEST_F(BodyTest, Conversions)
{
    const std::string nul(1, '\0'), T = "<body>" + titleDiv();
    auto em = [](int n) { return "<img src=\":/Res/FaceMgr/em/" + std::to_string(n) + ".png\">"; };
    std::string escaped = picture;
    escaped.replace(escaped.find('&'), 1, "&amp;");
    const std::string unresolved = img(":/Res/FaceMgr/em/0.png") + img(":/Res/FaceMgr/em/6.png") +
                                   img(":/Res/FaceMgr/em/x.png") + img("http://host/a.png") +
                                   img(dir / "missing.png") + "<img alt=\"none\"/>" + img("");
    const struct {
        std::string input, body, text;
    } cases[] = {
        // Unknown emoticon numbers, remote, missing and empty sources stay as written.
        {"<body>" + unresolved + "</body>", T + unresolved + "</body>", ""},
        // Emoticons by the number of their file name, in any folder; "&amp;" read as "&".
        {"<body>" + img(":/elsewhere/5.png") + "<img src=\"" + escaped + "\"/>",
         T + ref("rock & roll") + ref(key) + "</body>", "[rock & roll]"},
        // A tag without "/>" runs to the next one, or else ends at its own ">";
        // tags share the far end of the first, and one after it ends at its own.
        {"<body>" + em(2) + "<b>bold</b><br/>tail", T + ref("wink") + "tail</body>", "[wink]boldtail"},
        {"<body>" + em(2) + "tail", T + ref("wink") + "tail</body>", "[wink]tail"},
        {"<body>a" + em(1) + "b" + em(2) + "c<br/>d" + em(3) + "e</body>",
         T + "a" + ref("smile") + ref("wink") + "d" + ref("grin") + "e</body>", "a[smile]b[wink]cd[grin]e"},
        // ... but never past the last "</body>" nor past a NUL byte; and
        // never short of the tag's own end, be it after a NUL or a quoted
        // "/>" inside the tag, whose rest is attribute text, not markup.
        {"<body>" + em(1) + "x</body><br/>", T + ref("smile") + "x</body>", "[smile]x"},
        {"<body>a<img src=\":/Res/FaceMgr/em/1.png\"" + nul + ">b/></body>",
         T + "a" + ref("smile") + "b/></body>", "a[smile]b/>"},
        {"<body>a<img src=\":/Res/FaceMgr/em/1.png\" alt='/><a href=x>'>b</body>",
         T + "a" + ref("smile") + "b</body>", "a[smile]b"},
        // Emoticon tags as Qt writes them end at their own "/>"; sources
        // spelled otherwise than the catalogue spells them (leading zeros,
        // capitals, more digits than an int holds) read as before, and a tag
        // cut off inside its " />" runs to the end.
        {"<body>a<img src=\":/Res/FaceMgr/em/2.png\" />b<br/>c<img src=\":/Res/FaceMgr/em/0003.png\" "
         "/></body>",
         T + "a" + ref("wink") + "b<br/>c" + ref("grin") + "</body>", "a[wink]bc[grin]"},
        {"<body><img src=\":/Res/FaceMgr/em/4.PNG\" /><imgx src=\":/Res/FaceMgr/em/1.png\" />x"
         "<img src=\":/Res/FaceMgr/em/10000000001.png\" /></body>",
         T + ref("cake") + ref("smile") + "x<img src=\":/Res/FaceMgr/em/10000000001.png\" /></body>",
         "[cake][smile]x"},
        {"<body>a<img src=\":/Res/FaceMgr/em/1.png\" /", T + "a" + ref("smile") + "</body>", "a[smile]"},
        // Catalogue names in id attributes.
        {"<body>a" + ref("cake") + "b" + ref("nothing"),
         T + "a" + ref("cake") + "b" + ref("nothing") + "</body>", "a" + img(":/Res/FaceMgr/em/4.png") + "b"},
        // Without "<body" the whole message is the body; without "</body>" the rest.
        {"hi " + img(":/Res/FaceMgr/em/3.png"), T + "hi " + ref("grin") + "</body>", "hi [grin]"},
        {"<html><body bgcolor=x>hi", "<body bgcolor=x>" + titleDiv() + "hi</body>", "hi"},
    };
    for (const auto& c : cases) {
        parser.convertMessage(c.input);
        EXPECT_EQ(parser.body, c.body) << c.input;
        EXPECT_EQ(parser.text, c.text) << c.input;
    }

    // Without a catalogue nothing resolves as an emoticon.
    parser.catalogue = nullptr;
    parser.convertMessage("<body>" + Emo1 + ref("smile") + "</body>");
    EXPECT_EQ(parser.text, "");
    EXPECT_EQ(parser.body, T + Emo1 + ref("smile") + "</body>");

    // Thousands of tags that all run to the one "/>" at the end.
    parser.catalogue = &catalogue;
    std::string message = "<body>", references, text;
    for (int i = 0; i < 5000; ++i) {
        message += em(1) + "x";
        references += ref("smile");
        text += "[smile]x";
    }
    parser.convertMessage(message + "<br/>y</body>");
    EXPECT_EQ(parser.body, T + references + "y</body>");
    EXPECT_EQ(parser.text, text + "y");
}

// Every string made of up to `length` of the pieces.
std::vector<std::string> arrangements(const std::vector<std::string>& pieces, std::size_t length)
{
    std::vector<std::string> out{""};
    for (std::size_t from = 0; length > 0; --length) {
        const std::size_t to = out.size();
        for (std::size_t i = from; i < to; ++i)
            for (const auto& piece : pieces)
                out.push_back(out[i] + piece);
        from = to;
    }
    return out;
}

TEST(ResourceNumber, IsTheNumberOfThePathsFileName)
{
    // Separators, dots, drives, numbers with signs and spaces, and NUL bytes.
    for (const auto& source : arrangements({":/", "/", "\\", ".", "..", "12", " 7", "-3", "4.png", "a:b", "x",
                                            std::string(1, '\0') + "9"}, 4))
        ASSERT_EQ(resourceNumber(source), readNumber(Path(source).filename().str().c_str())) << source;
}

TEST(ResourceNumber, TheCataloguesSpellingIsReadAtOnce)
{
    // A source spelled as the catalogue writes it gives resourceNumber's
    // number; any other gives -1 and is left to resourceNumber.
    for (const std::string digits : {"0", "7", "12", "0042", "123456789", "999999999"}) {
        const std::string source = ":/Res/FaceMgr/em/" + digits + ".png";
        EXPECT_EQ(writtenEmoticonNumber(source), resourceNumber(source)) << source;
    }
    for (const std::string source :
         {":/Res/FaceMgr/em/.png", ":/Res/FaceMgr/em/1234567890.png", ":/Res/FaceMgr/em/12.PNG",
          ":/Res/FaceMgr/em/1.pn", ":/Res/FaceMgr/em/1a.png", ":/Res/FaceMgr/em/-1.png",
          ":/Res/FaceMgr/em/ 1.png", ":/Res/FaceMgr/Em/1.png", ":/Res/FaceMgr/em//1.png",
          ":/Res/FaceMgr/em/1/.png", ":/Res/FaceMgr/em/", "/Res/FaceMgr/em/1.png", ""})
        EXPECT_EQ(writtenEmoticonNumber(source), -1) << source;

    // A number read from a view stops at the view's end, as at a NUL.
    EXPECT_EQ(readNumber(std::string_view("12345", 3)), 123);
    EXPECT_EQ(readNumber(std::string_view(" -", 2)), 0);
    EXPECT_EQ(readNumber(std::string_view("99999999999", 11)), readNumber("99999999999"));
}

TEST(TextSearch, AgreesWithTheStringSearches)
{
    // Every needle, pivot and start: the pivot byte decides only how the
    // search runs, never what it finds.
    const auto texts = arrangements({"a", "b", "<"}, 7);
    for (const std::string needle : {"a", "<b", "ab<", "b<b", "<<"}) {
        for (const std::string& text : texts) {
            ASSERT_EQ(findLastText(text, needle), text.rfind(needle)) << text << " / " << needle;
            ASSERT_EQ(endsWith(text, needle),
                      text.size() >= needle.size() &&
                          text.compare(text.size() - needle.size(), needle.size(), needle) == 0)
                << text << " / " << needle;
            for (std::size_t pivot = 0; pivot < needle.size(); ++pivot)
                for (std::size_t from = 0; from <= text.size() + 1; ++from)
                    ASSERT_EQ(findText(text, needle, pivot, from), text.find(needle, from))
                        << text << " / " << needle << " pivot " << pivot << " from " << from;
        }
    }
}

}  // namespace
