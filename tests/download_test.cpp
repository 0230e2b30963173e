// SPDX-License-Identifier: MIT
// The image downloader against the in-test server: which addresses it
// fetches, where the files go, connection reuse, and what stays after a
// server that is slow, breaks off or misbehaves. A hostile answer must end
// within the downloader's wait, leave in the cache only bytes that the
// server sent, and leave the downloader fit for a normal picture right after.
// Each test has its own loopback address, so that they run in parallel.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "download/ImageDownloader.h"
#include "support/common.h"
#include "support/http_server.h"

using namespace Tessel;
using namespace TestSupport;
namespace fs = std::filesystem;

namespace {

class Download : public ::testing::Test {
protected:
    void SetUp() override
    {
        useCache(root / "cache");
        callbackCalls.clear();
        downloader.settings = &settings;
        downloader.announcer = &announcer;
    }

    void useCache(const fs::path& directory)
    {
        cache = directory;
        settings.setCacheDirectory(directory.u8string().c_str());
    }

    // The index-th announcement names path, a fresh name in the cache.
    void expectStored(std::size_t index, const std::string& path, const std::string& extension)
    {
        fs::path file = fs::u8path(path);
#if defined(_WIN32)
        EXPECT_EQ(path.find('/'), std::string::npos) << path;
#endif
        EXPECT_EQ(file.parent_path(), cache);
        EXPECT_EQ(cacheNameSuffix(file.filename().u8string()), extension);
        ASSERT_GT(callbackCalls.size(), index);
        EXPECT_EQ(callbackCalls[index].code, 2);
        EXPECT_EQ(callbackCalls[index].data, path);
        EXPECT_EQ(callbackCalls[index].user, -77);
    }

    bool fetch(const std::string& url, std::string& path)
    {
        auto start = std::chrono::steady_clock::now();
        bool fetched = downloader.downloadImage(url, path);
        took = std::chrono::steady_clock::now() - start;
        return fetched;
    }

    // A failed download: no file, no announcement, after one step's full
    // wait of 3000 ms (a failed step signals nothing; far beyond is a hang).
    void expectNothingStored()
    {
        EXPECT_EQ(downloader.state, timedOut);
        EXPECT_GE(took, std::chrono::milliseconds(2900));
        EXPECT_LT(took, std::chrono::milliseconds(4500));
        EXPECT_FALSE(fs::exists(cache));
        EXPECT_TRUE(callbackCalls.empty());
    }

    // After a hostile answer, a normal picture from the same host comes
    // through the same downloader.
    void expectNextDownloadWorks(HttpServer& server, const std::string& host)
    {
        const std::string picture = patternBytes(30000);
        server.on("/fine.png", {200, picture});
        callbackCalls.clear();
        std::string path;
        ASSERT_TRUE(fetch("http://" + host + "/fine.png", path));
        EXPECT_EQ(downloader.state, done);
        EXPECT_TRUE(readFile(path) == picture);
        ASSERT_EQ(callbackCalls.size(), 1u);
        EXPECT_EQ(callbackCalls[0].data, path);
        EXPECT_EQ(downloader.connections.size(), 1u);
    }

    TempDir temp;
    const fs::path root = fs::u8path(temp.path());
    fs::path cache;
    DownloadSettings settings;
    const Announcer announcer{recordCallback, -77};
    ImageDownloader downloader;
    std::chrono::steady_clock::duration took{};
};

}  // namespace

TEST_F(Download, RefusesOtherAddressesWithoutAnyTraffic)
{
    HttpServer server("127.0.20.1");
    for (const char* url : {"", "HTTP://127.0.20.1/a.png", "https://127.0.20.1/a.png",
                            "http://127.0.20.1/a.JPG", "http://127.0.20.1/a.gif",
                            "http://127.0.20.1/a.jpeg", "http://127.0.20.1/a.jp",
                            "http://127.0.20.1/noext", "http://127.0.20.1/", "http://127.0.20.1.png"}) {
        std::string path = "untouched";
        EXPECT_FALSE(downloader.downloadImage(url, path)) << url;
        EXPECT_EQ(path, "untouched") << url;
    }
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(downloader.connections.empty());
    EXPECT_TRUE(callbackCalls.empty());
    EXPECT_FALSE(fs::exists(cache));

    std::string host, path;
    EXPECT_TRUE(ImageDownloader::splitUrl("http://h:81/p/q.png?x=1", host, path));
    EXPECT_EQ(host + " " + path, "h:81 /p/q.png?x=1");
    EXPECT_TRUE(ImageDownloader::splitUrl("http:///x.png", host, path));
    EXPECT_EQ(host + " " + path, " /x.png");
}

TEST_F(Download, StoresPicturesUnderFreshNamesWithOneConnectionPerHost)
{
    useCache(root / "a" / "b" / "cache");  // parents missing too
#if defined(_WIN32)
    // Given with slashes, the cache path still comes back in back-slash form.
    settings.setCacheDirectory(cache.generic_u8string().c_str());
    const std::string query = ";size=2";  // "?" cannot stand in a Windows file name
#else
    const std::string query = "?size=2";
#endif
    HttpServer one("127.0.20.2"), two("127.0.20.3");
    const std::string body = patternBytes(50000);
    one.on("/p.jpgx", {200, body});
    one.on("/q.png" + query, {200, "small"});
    two.on("/r.png", {200, "other"});

    std::string paths[3];
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/p.jpgx", paths[0]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.2/q.png" + query, paths[1]));
    ASSERT_TRUE(downloader.downloadImage("http://127.0.20.3/r.png", paths[2]));
    expectStored(0, paths[0], ".jpgx");
    expectStored(1, paths[1], ".png" + query);
    expectStored(2, paths[2], ".png");
    EXPECT_TRUE(readFile(paths[0]) == body);
    EXPECT_EQ(readFile(paths[1]), "small");
    EXPECT_EQ(readFile(paths[2]), "other");

    // A port in the host text names another connection, on port 80 all the
    // same. (WinINet takes the whole text for the name of a host, which does
    // not resolve.)
    std::string suffixed;
    downloader.downloadImage("http://127.0.20.3:8080/r.png", suffixed);
    EXPECT_EQ(downloader.connections.count("127.0.20.3:8080"), 1u);
    EXPECT_EQ(downloader.connections.size(), 3u);
    EXPECT_EQ(one.connections(), 1);
    EXPECT_EQ(one.requests(), 2);
#if defined(_WIN32)
    // The request goes out, but no file of that name can be opened.
    std::string refused;
    EXPECT_FALSE(downloader.downloadImage("http://127.0.20.2/q.png?size=2", refused));
    EXPECT_EQ(one.requests(), 3);
    EXPECT_EQ(callbackCalls.size(), 3u);
#endif
}

TEST_F(Download, ResetMidBodyKeepsTheChunksWritten)
{
    HttpServer server("127.0.20.6");
    Reply reset{200, patternBytes(60000)};
    reset.cut = Reply::reset;
    reset.cutAt = 30000;
    server.on("/r.png", reset);

    std::string broken;
    EXPECT_TRUE(downloader.downloadImage("http://127.0.20.6/r.png", broken));
    EXPECT_NE(downloader.state, done);
    EXPECT_TRUE(readFile(broken) == reset.body.substr(0, deliveredBeforeCut(30000)));
    ASSERT_EQ(callbackCalls.size(), 1u);
    expectStored(0, broken, ".png");
}

TEST_F(Download, AnswersThatAreNoHttpStoreNothing)
{
    // A connection closed before any answer (first, so that no kept
    // connection is taken instead), header lines without end, and bytes
    // without a status line, in turn from one host. Wine's WinINet takes the
    // first and the last for successful answers: an empty one, and the body
    // of an HTTP/0.9 answer.
    HttpServer server("127.0.71.1");
    Reply endless, garbage{200, patternBytes(64 << 10)};
    endless.endlessHeaders = true;
    garbage.headless = true;
    server.on("/endless.png", endless);
    server.on("/junk.png", garbage);
    for (const std::string name : {"closed", "endless", "junk"}) {
        if (runningUnderWine() && name != "endless")
            continue;
        SCOPED_TRACE(name);
        useCache(root / name);
        callbackCalls.clear();
        server.closeOnAccept(name == "closed");
        std::string path;
        EXPECT_FALSE(fetch("http://127.0.71.1/" + name + ".png", path));
        expectNothingStored();
        // The client has hung up: every answer has ended. (Wine's WinINet
        // goes on reading the headers of a request closed while they arrive.)
        EXPECT_TRUE(runningUnderWine() || server.waitForReplies(server.requests(), 3000));
        server.closeOnAccept(false);
        expectNextDownloadWorks(server, "127.0.71.1");
    }
}

TEST_F(Download, BodyLargerThanAnnouncedEndsAtTheAnnouncedLength)
{
    // The excess answers nothing: the client delivers the announced bytes
    // and never lets the rest pass for the answer to a later request on the
    // same connection, whether it comes right behind the body or later.
    if (runningUnderWine())
        GTEST_SKIP() << "Wine's WinINet does not stop at the announced length when more follows: "
                        "at times it waits for more, and it reads the excess as the next answer";
    HttpServer server("127.0.71.2");
    Reply flood{200, patternBytes(4 << 20)};
    flood.announcedLength = 100;
    server.on("/flood.png", flood);
    Reply late = flood;
    late.body = patternBytes(64 << 10);
    late.cut = Reply::stall;
    late.cutAt = 100;
    late.stallMilliseconds = 100;
    server.on("/late.png", late);

    std::string flooded, lately;
    ASSERT_TRUE(fetch("http://127.0.71.2/flood.png", flooded));
    EXPECT_EQ(downloader.state, done);
    ASSERT_TRUE(fetch("http://127.0.71.2/late.png", lately));
    EXPECT_EQ(downloader.state, done);
    EXPECT_TRUE(readFile(flooded) == flood.body.substr(0, 100));
    EXPECT_TRUE(readFile(lately) == late.body.substr(0, 100));
    // The flood has ended, and the rest of the late body waits at the client.
    ASSERT_TRUE(server.waitForReplies(2, 3000));
    ASSERT_EQ(callbackCalls.size(), 2u);
    expectNextDownloadWorks(server, "127.0.71.2");
    EXPECT_EQ(server.connections(), 3);
}

TEST_F(Download, TrickledBodyArrivesWhole)
{
    // One byte a second, then the server closes: longer than one step's
    // wait in all, but every step completes within it.
    HttpServer server("127.0.71.5");
    Reply trickle{200, std::string("a\0\r\n", 4)};
    trickle.trickleMilliseconds = 1000;
    trickle.untilClose = true;
    server.on("/slow.jpg", trickle);

    std::string path;
    ASSERT_TRUE(fetch("http://127.0.71.5/slow.jpg", path));
    // Wine's WinINet completes a read only when the buffer is full or the
    // body has ended: four seconds here, past the wait.
    EXPECT_EQ(downloader.state, runningUnderWine() ? timedOut : done);
    EXPECT_EQ(readFile(path), runningUnderWine() ? "" : trickle.body);
    ASSERT_EQ(callbackCalls.size(), 1u);
    expectNextDownloadWorks(server, "127.0.71.5");
}

// What a hostile server can do within the limits: a picture that grows past
// the byte limit, or a call whose downloads run past its time, is given up
// at once, leaves no file and is not announced; the next picture comes
// through.
TEST_F(Download, LimitsStopAPictureAndLeaveNoFile)
{
    HttpServer server("127.0.72.1");
    Reply zeros{200, std::string(64 << 10, '\0')};
    zeros.untilClose = true;
    zeros.endless = true;
    server.on("/zeros.png", zeros);
    server.on("/big.png", {200, patternBytes(300000)});
    settings.setLimits({200000, 10000});

    for (const char* name : {"/zeros.png", "/big.png"}) {
        SCOPED_TRACE(name);
        std::string path = "untouched";
        EXPECT_FALSE(fetch(std::string("http://127.0.72.1") + name, path));
        EXPECT_LT(took, std::chrono::seconds(3));
        EXPECT_TRUE(fs::is_empty(cache));
        EXPECT_TRUE(callbackCalls.empty());
    }
    expectNextDownloadWorks(server, "127.0.72.1");
}

TEST_F(Download, ACallsDownloadsEndWithItsTime)
{
    // One byte every 100 ms: each step completes within its wait, so only
    // the call's limit ends the picture; the next picture of the call is not
    // even asked for, and a new call has its time again.
    HttpServer server("127.0.72.2");
    Reply trickle{200, patternBytes(1000)};
    trickle.trickleMilliseconds = 100;
    server.on("/slow.png", trickle);
    settings.setLimits({0, 1500});

    std::string path;
    EXPECT_FALSE(fetch("http://127.0.72.2/slow.png", path));
    EXPECT_GE(took, std::chrono::milliseconds(1400));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_TRUE(fs::is_empty(cache));
    EXPECT_FALSE(fetch("http://127.0.72.2/fine.png", path));
    EXPECT_EQ(server.requests(), 1);
    EXPECT_TRUE(callbackCalls.empty());

    downloader.beginCall();
    expectNextDownloadWorks(server, "127.0.72.2");
}

#if !defined(_WIN32)
TEST_F(Download, AFailedWriteLeavesNoFile)
{
    // A file-size limit on the process stands in for a full disk: writes past
    // it fail with EFBIG instead of raising SIGXFSZ.
    HttpServer server("127.0.72.3");
    server.on("/p.png", {200, patternBytes(50000)});
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = {20000, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string path;
    const bool fetched = fetch("http://127.0.72.3/p.png", path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(fetched);
    EXPECT_TRUE(fs::is_empty(cache));
    EXPECT_TRUE(callbackCalls.empty());
}
#endif

namespace {

// A downloader whose file names are given in advance.
class GivenNames : public ImageDownloader {
public:
    std::vector<std::string> names;

protected:
    bool drawName(char* buffer, int size) override
    {
        if (names.empty())
            return false;
        std::string name = names.front();
        names.erase(names.begin());
        name.resize(static_cast<std::size_t>(size - 1), 'x');
        std::memcpy(buffer, name.c_str(), static_cast<std::size_t>(size));
        return true;
    }
};

}  // namespace

TEST_F(Download, ANameAlreadyTakenIsNeverWrittenThrough)
{
    // The second picture is offered the first one's name, the third a name
    // under which a link to a file outside the cache was planted: each gets
    // the next name, and neither existing file changes.
    HttpServer server("127.0.72.4");
    const std::string first = patternBytes(3000), second = "second", third = "third";
    server.on("/1.png", {200, first});
    server.on("/2.png", {200, second});
    server.on("/3.png", {200, third});
    GivenNames given;
    given.settings = &settings;
    given.announcer = &announcer;
    given.names = {"a", "a", "b", "c", "d"};
    const std::string outside = temp.write("outside.txt", "kept");
    const fs::path planted = cache / "cxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.png";

    std::string paths[3];
    ASSERT_TRUE(given.downloadImage("http://127.0.72.4/1.png", paths[0]));
#if defined(_WIN32)
    writeFile(planted.u8string(), "planted");  // links need rights that tests do not have
#else
    fs::create_symlink(fs::u8path(outside), planted);
#endif
    ASSERT_TRUE(given.downloadImage("http://127.0.72.4/2.png", paths[1]));
    ASSERT_TRUE(given.downloadImage("http://127.0.72.4/3.png", paths[2]));

    EXPECT_EQ(fs::u8path(paths[0]).filename(), "axxxxxxxxxxxxxxxxxxxxxxxxxxxxx.png");
    EXPECT_EQ(fs::u8path(paths[1]).filename(), "bxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.png");
    EXPECT_EQ(fs::u8path(paths[2]).filename(), "dxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.png");
    EXPECT_TRUE(readFile(paths[0]) == first);
    EXPECT_EQ(readFile(paths[1]), second);
    EXPECT_EQ(readFile(paths[2]), third);
    EXPECT_EQ(readFile(outside), "kept");
#if !defined(_WIN32)
    EXPECT_TRUE(fs::is_symlink(planted));
#endif
    ASSERT_EQ(callbackCalls.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(callbackCalls[i].data, paths[i]);
}

TEST_F(Download, AnAddressWithANulByteIsRefused)
{
    // Its file would be named up to the NUL, its announcement past it.
    HttpServer server("127.0.72.5");
    server.on("/a.png", {200, "a"});
    std::string path = "untouched";
    EXPECT_FALSE(downloader.downloadImage(std::string("http://127.0.72.5/a.png\0.png", 29), path));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(fs::exists(cache));
    EXPECT_TRUE(callbackCalls.empty());
}
