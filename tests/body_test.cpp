// Message bodies and the way back: RichTextParser_Orb with a catalogue.
#include <gtest/gtest.h>

#include <vector>

#include "api/state.h"
#include "emoticons/number.h"
#include "fs/Path.h"
#include "html/RichTextParser_Orb.h"
#include "html/image_source.h"
#include "html/md5.h"
#include "support/common.h"

using namespace Tessel;

namespace {

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

    TestSupport::TempDir dir;
    EmoticonCache catalogue{dir.write("emo.dat", TestSupport::SampleCatalogueXml).c_str()};
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

}  // namespace
