// The image downloader against the in-test server: which addresses it
// fetches, where the files go, connection reuse, and what stays after a
// server that stalls or breaks off. Each test has its own loopback address.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>

#include "api/state.h"
#include "download/ImageDownloader.h"
#include "support/http_server.h"

using namespace Tessel;
using TestSupport::HttpServer;
using TestSupport::patternBytes;
using TestSupport::Reply;
namespace fs = std::filesystem;

namespace {

struct Announcement {
    int code;
    std::string data;
    std::int64_t user;
};
std::vector<Announcement> announced;

void announce(int code, const char* data, int length, std::int64_t user)
{
    announced.push_back({code, std::string(data, static_cast<std::size_t>(length)), user});
}

class Download : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tessel-download-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        useCache(root / "cache");
        announced.clear();
        Callback = announce;
        CallbackUser = -77;
    }

    void TearDown() override
    {
        Callback = nullptr;
        fs::remove_all(root);
    }

    void useCache(const fs::path& directory)
    {
        cache = directory;
        std::memset(CachePath, 0, sizeof CachePath);
        std::strncpy(CachePath, directory.c_str(), sizeof CachePath - 1);
    }

    static std::string contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path root;
    fs::path cache;
};

const std::string alphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";

}  // namespace

TEST_F(Download, RefusesOtherAddressesWithoutAnyTraffic)
{
    HttpServer server("127.0.20.1");
    ImageDownloader downloader;
    for (const char* url : {"", "HTTP://127.0.20.1/a.png", "https://127.0.20.1/a.png",
                            "http://127.0.20.1/a.JPG", "http://127.0.20.1/a.gif",
                            "http://127.0.20.1/a.jpeg", "http://127.0.20.1/a.jp",
                            "http://127.0.20.1/noext", "http://127.0.20.1/",
                            "http://127.0.20.1.png"}) {
        std::string path = "untouched";
        EXPECT_FALSE(downloader.downloadImage(url, path)) << url;
        EXPECT_EQ(path, "untouched") << url;
    }
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(downloader.connections.empty());
    EXPECT_TRUE(announced.empty());
    EXPECT_FALSE(fs::exists(cache));

    std::string host, path;
    EXPECT_TRUE(ImageDownloader::splitUrl("http://h:81/p/q.png?x=1", host, path));
    EXPECT_EQ(host, "h:81");
    EXPECT_EQ(path, "/p/q.png?x=1");
    EXPECT_TRUE(ImageDownloader::splitUrl("http:///x.png", host, path));
    EXPECT_EQ(host, "");
    EXPECT_EQ(path, "/x.png");
}

TEST_F(Download, StoresPicturesUnderFreshNamesWithOneConnectionPerHost)
{
    useCache(root / "a" / "b" / "cache");  // parents missing too
    HttpServer one("127.0.20.2");
    HttpServer two("127.0.20.3");
    const std::string body = patternBytes(50000);
    one.on("/p.jpgx", {200, body});
    one.on("/q.png?size=2", {200, "small"});
    two.on("/r.png", {200, "other"});

    ImageDownloader downloader;
    std::string paths[4];
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/p.jpgx", paths[0]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/q.png?size=2", paths[1]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.3/r.png", paths[2]));
    // A port in the host text names another connection but still goes to port 80.
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.3:8080/r.png", paths[3]));

    const char* extensions[] = {".jpgx", ".png?size=2", ".png", ".png"};
    ASSERT_EQ(announced.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        fs::path file(paths[i]);
        EXPECT_EQ(file.parent_path(), cache);
        std::string name = file.filename().string();
        EXPECT_EQ(name.find_first_not_of(alphabet), 30u) << name;
        EXPECT_EQ(name.substr(30), extensions[i]);
        EXPECT_EQ(announced[i].code, 2);
        EXPECT_EQ(announced[i].data, paths[i]);
        EXPECT_EQ(announced[i].user, -77);
    }
    EXPECT_NE(paths[2], paths[3]);
    EXPECT_TRUE(contents(paths[0]) == body);
    EXPECT_EQ(contents(paths[1]), "small");
    EXPECT_EQ(contents(paths[2]), "other");
    EXPECT_EQ(contents(paths[3]), "other");

    EXPECT_EQ(downloader.connections.size(), 3u);
    EXPECT_EQ(one.connections(), 1);
    EXPECT_EQ(one.requests(), 2);
    EXPECT_EQ(two.requests(), 2);
}

TEST_F(Download, EmptyHostIsNeverLookedUp)
{
    ImageDownloader downloader;
    ASSERT_TRUE(downloader.connectHost("127.0.20.4"));
    HINTERNET known = downloader.connection;
    downloader.connections[""] = known;
    EXPECT_EQ(downloader.findConnection(""), nullptr);
    EXPECT_TRUE(downloader.connectHost(""));
    EXPECT_NE(downloader.connection, known);
    EXPECT_EQ(downloader.connectHost("127.0.20.4"), true);
    EXPECT_EQ(downloader.connection, known);
}

TEST_F(Download, StalledSendTimesOutAndItsLateAnswerDoesNoHarm)
{
    HttpServer server("127.0.20.5");
    Reply stalled{200, "late"};
    stalled.delayMilliseconds = 3300;
    server.on("/stalled.png", stalled);
    const std::string body = patternBytes(40000);
    server.on("/ok.png", {200, body});

    ImageDownloader downloader;
    std::string path;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(downloader.downloadImage("http://127.0.20.5/stalled.png", path));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(downloader.state, timedOut);
    EXPECT_GE(waited, std::chrono::milliseconds(2900));
    EXPECT_LT(waited, std::chrono::milliseconds(4500));
    EXPECT_FALSE(fs::exists(cache));
    EXPECT_TRUE(announced.empty());
    EXPECT_EQ(downloader.connections.size(), 1u);

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(downloader.downloadImage("http://127.0.20.5/ok.png", path));
        EXPECT_TRUE(contents(path) == body);
        EXPECT_TRUE(server.waitForReplies(2, 3000));  // the late answer has gone out
    }
}

TEST_F(Download, StallMidBodyKeepsTheChunksWritten)
{
    HttpServer server("127.0.20.6");
    Reply cut{200, patternBytes(60000)};
    cut.cut = Reply::stall;
    cut.cutAt = 45000;
    server.on("/m.png", cut);

    ImageDownloader downloader;
    std::string path;
    EXPECT_TRUE(downloader.downloadImage("http://127.0.20.6/m.png", path));
    EXPECT_EQ(downloader.state, timedOut);
    EXPECT_TRUE(contents(path) == cut.body.substr(0, 45000));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].data, path);
}

TEST_F(Download, ResetMidBodyKeepsTheChunksWritten)
{
    HttpServer server("127.0.20.7");
    Reply cut{200, patternBytes(60000)};
    cut.cut = Reply::reset;
    cut.cutAt = 30000;
    server.on("/r.png", cut);

    ImageDownloader downloader;
    std::string path;
    EXPECT_TRUE(downloader.downloadImage("http://127.0.20.7/r.png", path));
    EXPECT_NE(downloader.state, done);
    EXPECT_TRUE(contents(path) == cut.body.substr(0, 30000));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].code, 2);
}
