// The image downloader against the in-test server: which addresses it
// fetches, where the files go, connection reuse, and what stays after a
// server that stalls or breaks off. Each test has its own loopback address.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "api/state.h"
#include "download/ImageDownloader.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

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
        useCache(root / "cache");
        announced.clear();
        Callback = announce;
        CallbackUser = -77;
    }

    void TearDown() override
    {
        Callback = nullptr;
    }

    void useCache(const fs::path& directory)
    {
        cache = directory;
        std::memset(CachePath, 0, sizeof CachePath);
        std::strncpy(CachePath, directory.u8string().c_str(), sizeof CachePath - 1);
    }

    static std::string contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    testsupport::TempDir temp;
    const fs::path root = fs::u8path(temp.path());
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
#if defined(_WIN32)
    // Given with slashes, the cache path still comes back in back-slash form.
    std::strncpy(CachePath, cache.generic_u8string().c_str(), sizeof CachePath - 1);
    const std::string query = ";size=2";  // "?" cannot stand in a Windows file name
#else
    const std::string query = "?size=2";
#endif
    HttpServer one("127.0.20.2");
    HttpServer two("127.0.20.3");
    const std::string body = patternBytes(50000);
    one.on("/p.jpgx", {200, body});
    one.on("/q.png" + query, {200, "small"});
    two.on("/r.png", {200, "other"});

    ImageDownloader downloader;
    // The index-th announcement names path, a fresh name in the cache.
    auto expectStored = [&](std::size_t index, const std::string& path, const std::string& extension) {
        fs::path file = fs::u8path(path);
#if defined(_WIN32)
        EXPECT_EQ(path.find('/'), std::string::npos) << path;
#endif
        EXPECT_EQ(file.parent_path(), cache);
        std::string name = file.filename().u8string();
        EXPECT_EQ(name.find_first_not_of(alphabet), 30u) << name;
        EXPECT_EQ(name.substr(30), extension);
        ASSERT_GT(announced.size(), index);
        EXPECT_EQ(announced[index].code, 2);
        EXPECT_EQ(announced[index].data, path);
        EXPECT_EQ(announced[index].user, -77);
    };
    std::string paths[3];
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/p.jpgx", paths[0]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/q.png" + query, paths[1]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.3/r.png", paths[2]));
    expectStored(0, paths[0], ".jpgx");
    expectStored(1, paths[1], ".png" + query);
    expectStored(2, paths[2], ".png");
    EXPECT_TRUE(contents(paths[0]) == body);
    EXPECT_EQ(contents(paths[1]), "small");
    EXPECT_EQ(contents(paths[2]), "other");

    // A port in the host text names another connection, on port 80 too. The
    // stand-in drops the suffix; WinINet takes the whole text for the name
    // of a host, which does not resolve.
    std::string suffixed;
#if defined(_WIN32)
    EXPECT_FALSE(downloader.downloadImage("http://127.0.20.3:8080/r.png", suffixed));
    EXPECT_EQ(announced.size(), 3u);
    EXPECT_EQ(two.requests(), 1);
#else
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.3:8080/r.png", suffixed));
    expectStored(3, suffixed, ".png");
    EXPECT_NE(suffixed, paths[2]);
    EXPECT_EQ(contents(suffixed), "other");
    EXPECT_EQ(two.requests(), 2);
#endif
    EXPECT_EQ(downloader.connections.count("127.0.20.3:8080"), 1u);
    EXPECT_EQ(downloader.connections.size(), 3u);
    EXPECT_EQ(one.connections(), 1);
    EXPECT_EQ(one.requests(), 2);

#if defined(_WIN32)
    // The request goes out, but no file of that name can be opened.
    std::string refused;
    EXPECT_FALSE(downloader.downloadImage("http://127.0.20.2/q.png?size=2", refused));
    EXPECT_EQ(one.requests(), 3);
    EXPECT_EQ(announced.size(), 3u);
#endif
}

TEST_F(Download, EmptyHostIsNeverLookedUp)
{
    ImageDownloader downloader;
    ASSERT_TRUE(downloader.connectHost("127.0.20.4"));
    HINTERNET known = downloader.connection;
    downloader.connections[""] = known;
    EXPECT_EQ(downloader.findConnection(""), nullptr);
#if defined(_WIN32)
    EXPECT_FALSE(downloader.connectHost(""));  // WinINet refuses an empty host name
#else
    EXPECT_TRUE(downloader.connectHost(""));
#endif
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
    EXPECT_TRUE(contents(path) == cut.body.substr(0, TestSupport::deliveredBeforeCut(45000)));
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
    EXPECT_TRUE(contents(path) == cut.body.substr(0, TestSupport::deliveredBeforeCut(30000)));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].code, 2);
}
