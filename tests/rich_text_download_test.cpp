// Rich text with real downloads, through the exported functions: a Qt
// message whose remote pictures are fetched from the in-test server into the
// cache directory, rewritten in the returned HTML and in the rich text, and
// announced to the client.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "api/tessel.h"
#include "html/HtmlParser.h"
#include "support/callback_log.h"
#include "support/http_server.h"
#include "support/sample_catalogue.h"
#include "support/temp_dir.h"

using namespace Tessel;
using TestSupport::HttpServer;
using TestSupport::patternBytes;
using testsupport::callbackCalls;
namespace fs = std::filesystem;

namespace {

const std::string alphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";

std::string img(const std::string& path)
{
    return "<img src=\"" + path + "\"/>";
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The request lines the server has seen, in order.
std::vector<std::string> requestLines(HttpServer& server)
{
    std::vector<std::string> lines;
    for (const std::string& head : server.requestHeads())
        lines.push_back(head.substr(0, head.find("\r\n")));
    return lines;
}

class RichTextDownload : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static testsupport::TempDir catalogueDir;
        Init("root", catalogueDir.write("emo.dat", testsupport::SampleCatalogueXml).c_str());
    }

    void SetUp() override
    {
        cache = dir / "cache/pictures";  // missing until the first download
        SetCachePath(cache.c_str());
        callbackCalls.clear();
    }

    // Checks an announcement of a downloaded file and returns its path.
    std::string announced(std::size_t index, std::int64_t user, const std::string& extension)
    {
        if (index >= callbackCalls.size()) {
            ADD_FAILURE() << "no announcement " << index;
            return "";
        }
        const testsupport::CallbackCall& call = callbackCalls[index];
        EXPECT_EQ(call.code, 2);
        EXPECT_TRUE(call.nulTerminated);
        EXPECT_EQ(call.user, user);
        fs::path file(call.data);
        EXPECT_EQ(file.parent_path(), fs::path(cache));
        std::string name = file.filename().string();
        EXPECT_EQ(name.find_first_not_of(alphabet), 30u) << name;
        EXPECT_EQ(name.substr(30), extension);
        return call.data;
    }

    testsupport::TempDir dir;
    std::string cache;
};

// The message as a Qt text edit writes it, around seven image tags.
std::string qtMessage(const std::string (&tags)[7])
{
    const std::string paragraph =
        "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
        "-qt-block-indent:0; text-indent:0px;\">";
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
           "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
           "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
           "p, li { white-space: pre-wrap; }\n"
           "</style></head><body style=\" font-family:'Segoe UI'; font-size:9pt;\">\n" +
           paragraph + "Sunset: " + tags[0] + " and the beach " + tags[1] + "</p>\n" +
           paragraph + "Again " + tags[2] + " animated " + tags[3] + "</p>\n" +
           paragraph + "Gone " + tags[4] + " offline " + tags[5] + " sized " + tags[6] +
           "</p></body></html>";
}

TEST_F(RichTextDownload, MessageWithRemotePictures)
{
    HttpServer server("127.0.70.1");
    const std::string sunset = "\x89PNG\r\n\x1a\n" + patternBytes(45000);
    const std::string beach = "\xff\xd8\xff\xe0" + patternBytes(3000);
    const std::string notFound = "<html><body><h1>404 Not Found</h1></body></html>";
    const std::string thumb = "\x89PNG\r\n\x1a\n" + patternBytes(64);
#if defined(_WIN32)
    const std::string query = ";w=64&amp;h=48";  // "?" cannot stand in a Windows file name
#else
    const std::string query = "?w=64&amp;h=48";
#endif
    server.on("/pics/sunset.png", {200, sunset});
    server.on("/pics/beach.jpg", {200, beach});
    server.on("/pics/wave.gif", {200, "GIF89a"});
    server.on("/pics/gone.png", {404, notFound});
    server.on("/pics/thumb.png" + query, {200, thumb});

    const std::string written[7] = {
        "<img src=\"http://127.0.70.1/pics/sunset.png\" width=\"320\" />",
        "<img src=\"http://127.0.70.1/pics/beach.jpg\" />",
        "<img src=\"http://127.0.70.1/pics/sunset.png\" />",
        "<img src=\"http://127.0.70.1/pics/wave.gif\" />",    // not a picture we fetch
        "<img src=\"http://127.0.70.1/pics/gone.png\" />",
        "<img src=\"http://127.0.70.250/pics/far.png\" />",  // nobody listens there
        "<img src=\"http://127.0.70.1/pics/thumb.png" + query + "\" />",
    };
    const std::int64_t user = -0x123456789abLL;  // wider than 32 bits
    std::string out;
    ASSERT_TRUE(ParseHtml2(out, qtMessage(written), testsupport::recordCallback, user));

    // Each fetched picture is announced once, as it is stored.
    ASSERT_EQ(callbackCalls.size(), 4u);
    const std::string sunsetFile = announced(0, user, ".png");
    const std::string beachFile = announced(1, user, ".jpg");
    const std::string goneFile = announced(2, user, ".png");
    const std::string thumbFile = announced(3, user, ".png" + query);
    EXPECT_TRUE(contents(sunsetFile) == sunset);
    EXPECT_TRUE(contents(beachFile) == beach);
    EXPECT_EQ(contents(goneFile), notFound);
    EXPECT_TRUE(contents(thumbFile) == thumb);
    EXPECT_EQ(std::distance(fs::directory_iterator(cache), fs::directory_iterator()), 4);
    EXPECT_EQ(requestLines(server),
              (std::vector<std::string>{"GET /pics/sunset.png HTTP/1.1",
                                        "GET /pics/beach.jpg HTTP/1.1",
                                        "GET /pics/gone.png HTTP/1.1",
                                        "GET /pics/thumb.png" + query + " HTTP/1.1"}));

    // Tags whose picture did not come stay exactly as written.
    const std::string rewritten[7] = {img(sunsetFile), img(beachFile), img(sunsetFile),
                                      written[3],      img(goneFile),  written[5],
                                      img(thumbFile)};
    EXPECT_EQ(out, qtMessage(rewritten));
    std::string body, text;
    GetBody(body);
    GetText(text);
    EXPECT_EQ(body, out);
    const std::string p = ParagraphPrefix;
    EXPECT_EQ(text, p + "Sunset: " + img(sunsetFile) + "and the beach " + img(beachFile) + "</p>" +
                        p + "Again " + img(sunsetFile) + "animated </p>" +
                        p + "Gone " + img(goneFile) + "offline sized " + img(thumbFile) + "</p>");

    // The next run looks everything up again: a fresh file, over the
    // connection kept from the first run.
    callbackCalls.clear();
    ASSERT_TRUE(ParseHtml2(out, "<p>Once more <img src=\"http://127.0.70.1/pics/sunset.png\"></p>",
                           testsupport::recordCallback, 0x1122334455667788LL));
    ASSERT_EQ(callbackCalls.size(), 1u);
    const std::string again = announced(0, 0x1122334455667788LL, ".png");
    EXPECT_NE(again, sunsetFile);
    EXPECT_TRUE(contents(again) == sunset);
    EXPECT_EQ(out, "<p>Once more " + img(again) + "</p>");
    EXPECT_EQ(server.requests(), 5);
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(RichTextDownload, ParseHtmlFetchesWithADownloaderOfItsOwn)
{
    HttpServer server("127.0.70.2");
    const std::string hello = patternBytes(25000);
    server.on("/hello.png", {200, hello});

    std::string out;
    ASSERT_TRUE(ParseHtml2(out, "<img src=\"http://127.0.70.2/hello.png\">", nullptr, 0));
    ASSERT_TRUE(ParseHtml("<p>Hi <img src=\"http://127.0.70.2/hello.png\"></p>",
                          testsupport::recordCallback, 77, false));
    ASSERT_EQ(callbackCalls.size(), 2u);
    const std::string file = announced(0, 77, ".png");
    EXPECT_TRUE(contents(file) == hello);
    EXPECT_EQ(callbackCalls[1].code, 1);
    EXPECT_EQ(callbackCalls[1].data, std::string(ParagraphPrefix) + "Hi " + img(file) + "</p>");

    // The call's parser went with its downloader, which hung up; the
    // library's parser keeps its connection for the next message. WinINet
    // keeps connections in a pool of the process, which the second
    // downloader draws from and the first one's close leaves open.
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
