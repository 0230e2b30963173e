// Rich text: pictures resolved to resources and local files, and the
// rewritten copy of ParseHtml2's keep-body mode.
#include <gtest/gtest.h>

#include "api/state.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser.h"
#include "support/callback_log.h"
#include "support/temp_dir.h"

using namespace Tessel;
using testsupport::callbackCalls;

namespace {

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        callbackCalls.clear();
        Callback = testsupport::recordCallback;
        CallbackUser = 0x123456789abcLL;
        picture = dir.write("p.png", "png");
    }
    void TearDown() override { Callback = nullptr; }

    std::string img(const std::string& path) { return "<img src=\"" + path + "\"/>"; }
    // The file:/// address of an absolute local path (file:///C:/... on Windows).
    static std::string fileUrl(const std::string& path)
    {
        return (path[0] == '/' ? "file://" : "file:///") + path;
    }
    void keepBody(const std::string& input)
    {
        parser.setKeepBody(true);
        parser.parseToBody(input);
        parser.setKeepBody(false);
    }

    testsupport::TempDir dir;
    std::string picture;
    RichTextParser parser;
};

TEST_F(RichTextTest, ResolvesResourcesAndLocalFilesOncePerRun)
{
    std::string input = "<p>a<img src=\":/Res/x.png\" width=3>b<img src=\"" + fileUrl(picture) +
                        "\"><img src=\"" + picture + "\"><img src=':/Res/x.png'></p>";
    parser.parse(input.data(), input.size());
    std::string prefix(ParagraphPrefix);
    EXPECT_EQ(parser.text, prefix + "a" + img(":/Res/x.png") + "b" + img(picture) + img(picture) +
                               img(":/Res/x.png") + "</p>");
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
}

TEST_F(RichTextTest, UnresolvableSourcesAreDropped)
{
    std::string input = "x<img src=\"https://host/a.png\"><img src=\"ftp://h/b.png\">"
                        "<img src=\"" + dir.path() + "\"><img src=\"" + dir.path() +
                        "/nope.png\"><img src=\"\"><img alt=a>y";
    parser.parse(input.data(), input.size());
    EXPECT_EQ(parser.text, "xy");
    EXPECT_TRUE(callbackCalls.empty());
}

TEST_F(RichTextTest, ResourceImagesOnly)
{
    parser.resourceImagesOnly = true;
    std::string input = "<img src=\"" + picture + "\"><img src=\":/e/1.png\"><img src=\"http://h/a.png\">";
    parser.parse(input.data(), input.size());
    EXPECT_EQ(parser.text, img(":/e/1.png"));
    EXPECT_EQ(parser.downloader, nullptr);
    ASSERT_EQ(callbackCalls.size(), 1u);
}

TEST_F(RichTextTest, KeepBodyRewritesCopy)
{
    std::string input = "<body>a <img width=\"9\" src=\"" + picture + "\" alt=x> b "
                        "<img src=\"" + dir.path() + "/gone.png\" /> c <img src=\"\"> "
                        "<img src=\":/e/2.png\"><IMG SRC=\"q\"> end</body>";
    keepBody(input);
    EXPECT_EQ(parser.body, "<body>a " + img(picture) + " b  c <img src=\"\"> " + img(":/e/2.png") +
                               "<IMG SRC=\"q\"> end</body>");
    EXPECT_EQ(parser.text, "a " + img(picture) + "b c " + img(":/e/2.png") + "end");
    EXPECT_FALSE(parser.keepBody);
}

TEST_F(RichTextTest, KeepBodyOddTags)
{
    // No ">" after the image tag: the rest of the input is the tag.
    keepBody("a<img src=\":/e/1.png\"");
    EXPECT_EQ(parser.body, "a" + img(":/e/1.png"));

    // Two handled sources in one tag: both replacements, one after the other.
    keepBody("a<img src=\":/e/1.png\" src=\":/e/2.png\">b");
    EXPECT_EQ(parser.body, "a" + img(":/e/1.png") + img(":/e/2.png") + "b");
    EXPECT_EQ(parser.text, "a" + img(":/e/1.png") + img(":/e/2.png") + "b");

    // The uncopied tail stops at an embedded NUL byte.
    const char raw[] = "x<img src=\":/e/1.png\">y\0z";
    std::string withNul(raw, sizeof raw - 1);
    keepBody(withNul);
    EXPECT_EQ(parser.body, "x" + img(":/e/1.png") + "y");
}

TEST_F(RichTextTest, NullCallbackMakesNoCall)
{
    Callback = nullptr;
    std::string input = "<img src=\":/e/1.png\">";
    parser.parse(input.data(), input.size());
    EXPECT_EQ(parser.text, img(":/e/1.png"));
    EXPECT_TRUE(callbackCalls.empty());
}

}  // namespace
