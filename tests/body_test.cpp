// Message bodies and the way back: RichTextParser_Orb with a catalogue.
#include <gtest/gtest.h>

#include <vector>

#include "api/state.h"
#include "emoticons/number.h"
#include "fs/Path.h"
#include "html/RichTextParser_Orb.h"
#include "html/image_source.h"
#include "html/md5.h"
#include "support/sample_catalogue.h"
#include "support/temp_dir.h"

using namespace Tessel;

namespace {

const char Emo1[] = "<img src=\":/Res/FaceMgr/em/1.png\"/>";
const char Emo5[] = "<img src=\":/Res/FaceMgr/em/5.png\"/>";

class BodyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        catalogue = new EmoticonCache(dir.write("emo.dat", testsupport::SampleCatalogueXml).c_str());
        Catalogue = catalogue;
        picture = dir.write("pic & co.png", "png bytes");
        key = imageKey(picture);
    }
    void TearDown() override
    {
        Catalogue = nullptr;
        delete catalogue;
    }
    std::string titleDiv(const std::string& t, const std::string& s, const std::string& d)
    {
        return "<div id=\"title_div\"><h1 id=\"title\">" + t + "</h1><span id=\"sender\">" + s +
               "</span><span id=\"date\">" + d + "</span></div>";
    }

    testsupport::TempDir dir;
    EmoticonCache* catalogue = nullptr;
    std::string picture, key;
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
    std::string content = "<p style=\"margin:0px;\">Hi <img id=\"smile\"/> there " + ref +
                          " and <img id=\"smile\"/>" + ref + "</p>";
    std::string body = "<body style=\" font-size:9pt;\">" + titleDiv("Chat", "Ann", "2026-12-06") +
                       content + "</body>";
    EXPECT_EQ(parser.body, body);
    EXPECT_EQ(parser.text, "Hi [smile]there and [smile]");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}, {key, picture}}));
    EXPECT_TRUE(parser.imageCache.empty());
    EXPECT_TRUE(parser.seenEmoticons.empty());

    // Back to HTML with the lists of the conversion: no title div, every
    // reference resolved.
    StringPairList images = parser.imageList;
    parser.loadImageList(images);
    parser.rebuildHtml(body);
    std::string local = "<img src=\"" + picture + "\"/>";
    EXPECT_EQ(parser.body, "<body style=\" font-size:9pt;\"><p style=\"margin:0px;\">Hi " +
                               std::string(Emo1) + " there " + local + " and " + Emo1 + local +
                               "</p></body>");
    EXPECT_TRUE(parser.rebuildMode);
    EXPECT_TRUE(parser.emoticonList.empty());
    EXPECT_TRUE(parser.imageList.empty());

    // A Qt paragraph of the body's text: head strings first, emoticons as
    // image tags, pictures left out.
    parser.emoticonText(body);
    EXPECT_FALSE(parser.rebuildMode);
    EXPECT_EQ(parser.text, "Chat" "Ann" "2026-12-06" "Hi " + std::string(Emo1) + "there and " + Emo1);
    EXPECT_TRUE(parser.body.empty());
}

TEST_F(BodyTest, UnresolvedImagesStayAsWritten)
{
    std::string html =
        "<body><img src=\":/Res/FaceMgr/em/0.png\"/><img src=\":/Res/FaceMgr/em/6.png\"/>"
        "<img src=\":/Res/FaceMgr/em/x.png\"/><img src=\"http://host/a.png\"/>"
        "<img src=\"" + dir.path() + "/missing.png\"/><img alt=\"none\"/><img src=\"\"/></body>";
    parser.convertMessage(html);
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + html.substr(6));
    EXPECT_EQ(parser.text, "");
    EXPECT_TRUE(parser.emoticonList.empty());
    EXPECT_TRUE(parser.imageList.empty());
}

TEST_F(BodyTest, EmoticonsByFileNumberAndEscapedSources)
{
    // The folder before the number does not matter; "&amp;" is read as "&".
    std::string escaped = picture;
    escaped.replace(escaped.find('&'), 1, "&amp;");
    parser.convertMessage("<body><img src=\":/elsewhere/5.png\"/><img src=\"" + escaped + "\"/></body>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "<img id=\"rock & roll\"/><img id=\"" +
                               key + "\"/></body>");
    EXPECT_EQ(parser.text, "[rock & roll]");
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
}

TEST_F(BodyTest, TagWithoutSelfClosingRunsToNextOne)
{
    parser.convertMessage("<body><img src=\":/Res/FaceMgr/em/2.png\"><b>bold</b><br/>tail</body>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "<img id=\"wink\"/>tail</body>");
    EXPECT_EQ(parser.text, "[wink]boldtail");

    // With no "/>" anywhere after it the tag ends at its own ">".
    parser.convertMessage("<body><img src=\":/Res/FaceMgr/em/2.png\">tail</body>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "<img id=\"wink\"/>tail</body>");
}

TEST_F(BodyTest, ReplacedTagsEndWithinTheBodyStretch)
{
    // The body is converted in place: the end of a replaced tag is looked
    // for no further than the last "</body>", nor past a NUL byte.
    parser.convertMessage("<body><img src=\":/Res/FaceMgr/em/1.png\">x</body><br/>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "<img id=\"smile\"/>x</body>");

    const std::string nul(1, '\0');
    parser.convertMessage("<body>a<img src=\":/Res/FaceMgr/em/1.png\"" + nul + ">b/></body>");
    EXPECT_EQ(parser.body,
              "<body>" + titleDiv("", "", "") + "a<img id=\"smile\"/>" + nul + ">b/></body>");
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

TEST_F(BodyTest, IdAttributesNameEmoticons)
{
    parser.convertMessage("<body>a<img id=\"cake\"/>b<img id=\"nothing\"/></body>");
    EXPECT_EQ(parser.text, "a" + std::string("<img src=\":/Res/FaceMgr/em/4.png\"/>") + "b");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "a<img id=\"cake\"/>b<img id=\"nothing\"/></body>");
}

TEST_F(BodyTest, MessagesWithoutBodyElement)
{
    parser.convertMessage("hi <img src=\":/Res/FaceMgr/em/3.png\"/>");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") + "hi <img id=\"grin\"/></body>");

    // No "</body>": the stretch runs to the end.
    parser.convertMessage("<html><body bgcolor=x>hi");
    EXPECT_EQ(parser.body, "<body bgcolor=x>" + titleDiv("", "", "") + "hi</body>");
}

TEST_F(BodyTest, RebuildUsesFirstPairAndKeepsUnknownReferences)
{
    std::string other = dir.write("other.png", "x");
    StringPairList pairs{{key, picture}, {key, other}};
    parser.loadImageList(pairs);
    parser.rebuildHtml("<body>" + titleDiv("t", "s", "d") + "<img id=\"" + key +
                       "\"/><img id=\"feedface\"/><img id=\"rock & roll\"/><img id=\"gone\"/></body>");
    EXPECT_EQ(parser.body, "<body><img src=\"" + picture + "\"/><img id=\"feedface\"/>" + Emo5 +
                               "<img id=\"gone\"/></body>");

    // Without pairs only the emoticons resolve.
    parser.rebuildHtml("<body><img id=\"" + key + "\"/><img id=\"smile\"/></body>");
    EXPECT_EQ(parser.body, "<body><img id=\"" + key + "\"/>" + Emo1 + "</body>");

    // A title div without its end is left in place.
    parser.rebuildHtml("<body><div id=\"title_div\">x");
    EXPECT_EQ(parser.body, "<body><div id=\"title_div\">x");
}

TEST_F(BodyTest, RebuildHandlesSourcesLikeConversion)
{
    parser.rebuildHtml("<body><img src=\":/Res/FaceMgr/em/1.png\"/><img src=\"" + picture + "\"/></body>");
    EXPECT_EQ(parser.body, "<body><img id=\"smile\"/><img id=\"" + key + "\"/></body>");
    EXPECT_EQ(parser.emoticonList, (StringPairList{{"smile", "[smile]"}}));
    EXPECT_EQ(parser.imageList, (StringPairList{{key, picture}}));
}

TEST_F(BodyTest, WithoutCatalogueNothingResolvesAsEmoticon)
{
    Catalogue = nullptr;
    parser.convertMessage("<body><img src=\":/Res/FaceMgr/em/1.png\"/><img id=\"smile\"/></body>");
    EXPECT_EQ(parser.text, "");
    EXPECT_EQ(parser.body, "<body>" + titleDiv("", "", "") +
                               "<img src=\":/Res/FaceMgr/em/1.png\"/><img id=\"smile\"/></body>");
}

}  // namespace
