// SPDX-License-Identifier: MIT
// The exported functions after Init, on the sample test catalogue.
#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "api/state.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser.h"
#include "support/common.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initWithSampleCatalogue("first root"); }
    void SetUp() override { callbackCalls.clear(); }
};

const std::string P = ParagraphPrefix;

TEST_F(LibraryTest, ParseHtmlReportsTextThroughCallbackOnly)
{
    std::string out;
    ASSERT_TRUE(ParseHtml2(out, "<p>rich</p>", nullptr, 0));

    EXPECT_TRUE(ParseHtml("", recordCallback, -7, false));
    ASSERT_EQ(callbackCalls.size(), 1u);
    EXPECT_EQ(callbackCalls[0].code, 1);
    EXPECT_EQ(callbackCalls[0].data, "");
    EXPECT_EQ(callbackCalls[0].user, -7);

    callbackCalls.clear();
    EXPECT_TRUE(ParseHtml("  Tom &amp; Jerry <img src=\":/e/1.png\">", recordCallback, 5, false));
    ASSERT_EQ(callbackCalls.size(), 2u);
    EXPECT_EQ(callbackCalls[0].code, 2);
    EXPECT_EQ(callbackCalls[1].code, 1);
    EXPECT_EQ(callbackCalls[1].data, "Tom &amp; Jerry <img src=\":/e/1.png\"/>");
    EXPECT_TRUE(callbackCalls[1].nulTerminated);

    // The temporary parser's text is not what GetText sees.
    EXPECT_FALSE(GetText(out));
    EXPECT_EQ(out, P + "rich</p>");

    callbackCalls.clear();
    EXPECT_TRUE(ParseHtml("x", nullptr, 0, false));
    EXPECT_TRUE(callbackCalls.empty());
}

// Parses a message from inside a ParseHtml callback, once.
void parseFromCallback(int code, const char* data, int length, std::int64_t user)
{
    recordCallback(code, data, length, user);
    if (code == 2 && user == 1)
        ParseHtml("<b>inner</b><img src=\":/e/9.png\">", recordCallback, 2, false);
}

TEST_F(LibraryTest, EachParseHtmlStartsAfresh)
{
    // Nothing of one call reaches the next: its pictures are announced
    // again and its resources-only choice is not kept.
    auto calls = [] {
        std::string all;
        for (const auto& call : callbackCalls)
            all += std::to_string(call.code) + ":" + call.data + "|";
        callbackCalls.clear();
        return all;
    };
    const std::string img = "<img src=\":/e/1.png\">";
    EXPECT_TRUE(ParseHtml("a" + img + img, recordCallback, 0, true));
    EXPECT_EQ(calls(), "2::/e/1.png|1:a<img src=\":/e/1.png\"/><img src=\":/e/1.png\"/>|");
    static TempDir dir;
    const std::string picture = dir.write("p.png", "png");
    EXPECT_TRUE(ParseHtml(img + "<img src=\"" + picture + "\">", recordCallback, 0, false));
    EXPECT_EQ(calls(), "2::/e/1.png|2:" + picture + "|1:<img src=\":/e/1.png\"/><img src=\"" + picture + "\"/>|");

    // A call made from a callback of another parses on its own.
    EXPECT_TRUE(ParseHtml("<p>outer " + img + "</p>x", parseFromCallback, 1, false));
    EXPECT_EQ(calls(), "2::/e/1.png|2::/e/9.png|1:inner<img src=\":/e/9.png\"/>|1:" + P + "outer " +
                           "<img src=\":/e/1.png\"/></p>x|");
}

TEST_F(LibraryTest, ParseHtmlWithoutMarkupAnnouncesWhatTheParserMakes)
{
    // A message without markup or references is announced without a parser:
    // the same text as the parser makes of it, NUL-terminated. Messages with
    // references or markup go through the parser and are compared too.
    const std::string pieces[] = {
        " ",     "\t",     "\r\n", "\v", "a", "word ", "\xC3\xA9", std::string(1, '\0'), "&", "&amp;",
        "&#32;", "&nbsp;", ";",    "<",  ">", "<b>",   "<p>"};
    std::mt19937 rng(20261207u);
    RichTextParser parser;
    for (int round = 0; round < 3000; ++round) {
        // Most messages draw from the pieces without '&' or markup.
        const std::size_t drawFrom = round % 4 == 0 ? std::size(pieces) : round % 4 == 1 ? 12 : 8;
        std::string message;
        for (std::size_t n = rng() % 40; n > 0; --n)
            message += pieces[rng() % drawFrom];
        callbackCalls.clear();
        ASSERT_TRUE(ParseHtml(message, recordCallback, round, false));
        parser.parse(message.data(), message.size());
        ASSERT_EQ(callbackCalls.size(), 1u) << message;
        EXPECT_EQ(callbackCalls[0].data, parser.text) << message;
        EXPECT_TRUE(callbackCalls[0].nulTerminated);
        EXPECT_EQ(callbackCalls[0].user, round);
    }
}

TEST_F(LibraryTest, ParseHtml2ReturnsRewrittenCopy)
{
    std::string out = "old", text, body;
    EXPECT_TRUE(ParseHtml2(out, "<p>hi <img src=':/e/2.png' width=1></p><!-- c -->", recordCallback, 9));
    EXPECT_EQ(out, "<p>hi <img src=\":/e/2.png\"/></p><!-- c -->");
    EXPECT_FALSE(GetText(text));
    EXPECT_FALSE(GetBody(body));
    EXPECT_EQ(text, P + "hi <img src=\":/e/2.png\"/></p>");
    EXPECT_EQ(body, out);
    ASSERT_EQ(callbackCalls.size(), 1u);
    EXPECT_EQ(callbackCalls[0].user, 9);
}

TEST_F(LibraryTest, CachePathIsBoundedAndAlwaysFalse)
{
    std::string fits(259, 'c');
    EXPECT_FALSE(SetCachePath(fits.c_str()));
    EXPECT_EQ(Downloads.cacheDirectory(), fits);
    EXPECT_FALSE(SetCachePath(std::string(260, 'd').c_str()));
    EXPECT_EQ(Downloads.cacheDirectory(), fits);
    EXPECT_FALSE(SetCachePath("/tmp/x"));
    EXPECT_EQ(Downloads.cacheDirectory(), "/tmp/x");
    EXPECT_FALSE(SetCachePath(nullptr));
    EXPECT_EQ(Downloads.cacheDirectory(), "");
}

TEST_F(LibraryTest, EmoticonEntryPointsAndASecondInit)
{
    EXPECT_EQ(getClassicCount(), 3);
    EXPECT_EQ(getOtherCount(), 2);
    EXPECT_EQ(EChStructFromIndex(0), getClassicPtr());
    EXPECT_EQ(EChStructFromIndex(3), getOtherPtr());
    EXPECT_EQ(EChStructFromIndex(5), nullptr);
    EXPECT_EQ(EChStructFromIndex(-1), nullptr);
    for (const char* classic : {"3", "smile", "-12", " 2abc"})
        EXPECT_TRUE(IsClassicECh(classic)) << classic;
    EXPECT_FALSE(IsClassicECh("4"));
    EXPECT_FALSE(IsClassicECh("99999999999999999999"));
    EXPECT_EQ(EChPathFromName("cake"), "<img src=\":/Res/FaceMgr/em/4.png\"/>");
    EXPECT_EQ(EChPathFromName("Cake"), "");
    EXPECT_EQ(EChPathFromId("77"), ":/Res/FaceMgr/em/77.png");

    // A second Init keeps the catalogue.
    EmoticonCache* first = Catalogue;
    EXPECT_TRUE(Init("second root", "/nonexistent/emo.dat"));
    EXPECT_EQ(Catalogue, first);
    EXPECT_EQ(RootPath, "second root");
}

TEST_F(LibraryTest, BodyEntryPoints)
{
    EXPECT_TRUE(SetCustomHead("T", "S", "D"));
    EXPECT_TRUE(ParseHtml_Orb("<html><body>hi <img src=\":/Res/FaceMgr/em/2.png\"/></body></html>"));
    std::string body, text, out, ignored;
    GetBody(body);
    GetText(text);
    EXPECT_EQ(body, "<body><div id=\"title_div\"><h1 id=\"title\">T</h1><span id=\"sender\">S</span>"
                    "<span id=\"date\">D</span></div>hi <img id=\"wink\"/></body>");
    EXPECT_EQ(text, "hi [wink]");

    // The lists come from the body parser whatever parser is current.
    ParseHtml2(ignored, "x", nullptr, 0);
    StringPairList emoticons, images{{"stale", "pair"}};
    EXPECT_TRUE(GetEChVector(emoticons));
    EXPECT_TRUE(GetImageVector(images));
    EXPECT_EQ(emoticons, (StringPairList{{"wink", "[wink]"}}));
    EXPECT_TRUE(images.empty());

    EXPECT_TRUE(EChTextFromBody("", out));
    EXPECT_EQ(out, P + "</p>");
    EXPECT_TRUE(EChTextFromBody(body, out));
    EXPECT_EQ(out, P + "TSDhi <img src=\":/Res/FaceMgr/em/2.png\"/></p>");
    EXPECT_TRUE(HtmlFromBody(out, body, {}));
    EXPECT_EQ(out, "<body>hi <img src=\":/Res/FaceMgr/em/2.png\"/></body>");
    // Only ParseHtml_Orb makes the body parser current.
    GetText(text);
    EXPECT_EQ(text, "x");
}

}  // namespace
