// SPDX-License-Identifier: MIT
// Rich text with real downloads, through the exported functions: a Qt
// message whose remote pictures are fetched from the in-test server into the
// cache directory, rewritten in the returned HTML and in the rich text, and
// announced to the client. How files are named and which addresses are
// fetched at all is for the downloader's own tests.
#include <gtest/gtest.h>

#include <filesystem>

#include "html/HtmlParser.h"
#include "support/common.h"
#include "support/http_server.h"
#include "tessel/tessel.h"

using namespace Tessel;
using namespace TestSupport;
namespace fs = std::filesystem;

namespace {

std::string img(const std::string& path)
{
    return imageTag(path);
}

// Checks the index-th callback to announce a downloaded file, and returns its path.
std::string announced(std::size_t index, std::int64_t user)
{
    if (index >= callbackCalls.size()) {
        ADD_FAILURE() << "no announcement " << index;
        return "";
    }
    const CallbackCall& call = callbackCalls[index];
    EXPECT_EQ(call.code, 2);
    EXPECT_TRUE(call.nulTerminated);
    EXPECT_EQ(call.user, user);
    return call.data;
}

// The message as a Qt text edit writes it, around five image tags.
std::string qtMessage(const std::string (&tags)[5])
{
    const std::string p = "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; "
                          "margin-right:0px; -qt-block-indent:0; text-indent:0px;\">";
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
           "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><head><meta name=\"qrichtext\" "
           "content=\"1\" /><style type=\"text/css\">\np, li { white-space: pre-wrap; }\n</style>"
           "</head><body style=\" font-family:'Segoe UI'; font-size:9pt;\">\n" +
           p + "Sunset: " + tags[0] + " and the beach " + tags[1] + "</p>\n" + p + "Again " + tags[2] +
           "</p>\n" + p + "Gone " + tags[3] + " offline " + tags[4] + "</p></body></html>";
}

TEST(RichTextDownload, MessageWithRemotePictures)
{
    TempDir dir;
    ASSERT_TRUE(Init("root", dir.write("emo.dat", SampleCatalogueXml).c_str()));
    const std::string cache = dir / "cache/pictures";  // missing until the first download
    SetCachePath(cache.c_str());
    HttpServer server("127.0.70.1");
    const std::string sunset = "\x89PNG\r\n\x1a\n" + patternBytes(45000);
    const std::string beach = "\xff\xd8\xff\xe0" + patternBytes(3000);
    const std::string notFound = "<html><body><h1>404 Not Found</h1></body></html>";
    server.on("/pics/sunset.png", {200, sunset});
    server.on("/pics/beach.jpg", {200, beach});
    server.on("/pics/gone.png", {404, notFound});

    const std::string written[5] = {
        "<img src=\"http://127.0.70.1/pics/sunset.png\" width=\"320\" />",
        "<img src=\"http://127.0.70.1/pics/beach.jpg\" />",
        "<img src=\"http://127.0.70.1/pics/sunset.png\" />",
        "<img src=\"http://127.0.70.1/pics/gone.png\" />",    // its error page is stored all the same
        "<img src=\"http://127.0.70.250/pics/far.png\" />",  // nobody listens there
    };
    const std::int64_t user = -0x123456789abLL;  // wider than 32 bits
    std::string out, body, text;
    ASSERT_TRUE(ParseHtml2(out, qtMessage(written), recordCallback, user));

    // Each fetched picture is asked for once in the run and announced once,
    // as it is stored; nothing else is stored.
    ASSERT_EQ(callbackCalls.size(), 3u);
    const std::string sunsetFile = announced(0, user), beachFile = announced(1, user);
    const std::string goneFile = announced(2, user);
    EXPECT_TRUE(readFile(sunsetFile) == sunset);
    EXPECT_TRUE(readFile(beachFile) == beach);
    EXPECT_EQ(readFile(goneFile), notFound);
    EXPECT_EQ(std::distance(fs::directory_iterator(cache), fs::directory_iterator()), 3);
    EXPECT_EQ(server.requests(), 3);

    // A tag whose picture did not come stays exactly as written.
    const std::string rewritten[5] = {img(sunsetFile), img(beachFile), img(sunsetFile),
                                      img(goneFile), written[4]};
    EXPECT_EQ(out, qtMessage(rewritten));
    GetBody(body);
    GetText(text);
    EXPECT_EQ(body, out);
    const std::string p = ParagraphPrefix;
    EXPECT_EQ(text, p + "Sunset: " + img(sunsetFile) + "and the beach " + img(beachFile) + "</p>" +
                        p + "Again " + img(sunsetFile) + "</p>" + p + "Gone " + img(goneFile) +
                        "offline </p>");

    // The next run looks everything up again, over the connection kept from
    // the first one; without a callback nothing is announced.
    callbackCalls.clear();
    ASSERT_TRUE(ParseHtml2(out, "<p>" + written[2] + "</p>", nullptr, 0));
    EXPECT_TRUE(callbackCalls.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(cache), fs::directory_iterator()), 4);
    EXPECT_EQ(server.requests(), 4);
    EXPECT_EQ(server.connections(), 1);

    // ParseHtml fetches with a parser of its own, whose downloader hangs up
    // when the call returns. WinINet keeps connections in a pool of the
    // process, which the second downloader draws from and the first one's
    // close leaves open.
    // The picture shown twice is fetched once.
    ASSERT_TRUE(ParseHtml("<p>Hi " + written[2] + written[0] + "</p>", recordCallback, 0x1122334455667788LL,
                          false));
    ASSERT_EQ(callbackCalls.size(), 2u);
    const std::string again = announced(0, 0x1122334455667788LL);
    EXPECT_NE(again, sunsetFile);
    EXPECT_TRUE(readFile(again) == sunset);
    EXPECT_EQ(server.requests(), 5);
    EXPECT_EQ(callbackCalls[1].code, 1);
    EXPECT_EQ(callbackCalls[1].data, p + "Hi " + img(again) + img(again) + "</p>");
#if defined(_WIN32)
    EXPECT_EQ(server.connections(), 1);
    EXPECT_FALSE(server.waitForClientCloses(1, 500));
#else
    EXPECT_EQ(server.connections(), 2);
    EXPECT_TRUE(server.waitForClientCloses(1, 3000));
    EXPECT_EQ(server.closedByClient(), 1);
#endif
}

}  // namespace
