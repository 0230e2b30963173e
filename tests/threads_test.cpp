// SPDX-License-Identifier: MIT
// The library from several threads: ParseHtml on any number at once, each
// call's callback carrying its own user value; the calls that use the
// library-wide parsers refused, not run, when they would overlap.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/common.h"
#include "tessel/tessel.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

class Threads : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initWithSampleCatalogue(""); }
};

thread_local std::int64_t expectedUser = 0;
std::atomic<int> wrongUser{0};
std::atomic<int> texts{0};

void checkUser(int code, const char*, int, std::int64_t user)
{
    if (user != expectedUser)
        ++wrongUser;
    texts += code == 1;
}

const std::string Message = "<p>Hi <img src=\":/Res/FaceMgr/em/1.png\"/> there &amp; back</p>";
// Without markup: its references are decoded.
const std::string PlainMessage = "Tom &amp; Jerry&#39;s fish &lt;3 &#x1F600; &euro;5";

// Holds each thread until all have started, so that their calls overlap.
class StartLine {
public:
    explicit StartLine(int threads) : waiting_(threads) {}
    void wait()
    {
        --waiting_;
        while (waiting_.load() > 0)
            std::this_thread::yield();
    }

private:
    std::atomic<int> waiting_;
};

}  // namespace

TEST_F(Threads, EachParseHtmlCallHasItsOwnUserValue)
{
    constexpr int threadCount = 4, calls = 10000;
    std::vector<std::thread> threads;
    StartLine start(threadCount);
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([t, &start] {
            start.wait();
            for (int i = 0; i < calls; ++i) {
                expectedUser = (std::int64_t(t) << 40) + i;
                ParseHtml(i % 3 ? Message : PlainMessage, checkUser, expectedUser, i % 2 == 0);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrongUser.load(), 0);
    EXPECT_EQ(texts.load(), threadCount * calls);
}

namespace {

struct Reentry {
    bool parseHtml2 = true, bodyCall = true, parseHtml = false;
};
Reentry reentry;

void callBackIn(int code, const char*, int, std::int64_t)
{
    if (code != 2)
        return;
    std::string out;
    reentry.parseHtml2 = ParseHtml2(out, Message, nullptr, 0);
    reentry.bodyCall = ParseHtml_Orb(Message) || GetText(out) || EChTextFromBody("x", out);
    reentry.parseHtml = ParseHtml(Message, nullptr, 0, false);
}

}  // namespace

TEST_F(Threads, ACallbackMayNotReenterTheSharedParsers)
{
    // Only ParseHtml, whose parser is the calling thread's own, may run
    // inside the callback of a call that uses the shared rich-text parser.
    std::string out;
    ASSERT_TRUE(ParseHtml2(out, Message, callBackIn, 0));
    EXPECT_FALSE(reentry.parseHtml2);
    EXPECT_FALSE(reentry.bodyCall);
    EXPECT_TRUE(reentry.parseHtml);
    EXPECT_EQ(out, Message);

    // Once the call has returned, they run again.
    EXPECT_TRUE(ParseHtml2(out, Message, nullptr, 0));
    EXPECT_TRUE(ParseHtml_Orb(Message));
}

TEST_F(Threads, OverlappingCallsAreRefusedNotRun)
{
    // Two threads use the shared parsers at once: each call either runs
    // alone, with its whole result, or is refused and changes nothing.
    std::atomic<int> refused{0}, wrong{0};
    StartLine start(2);
    auto work = [&](bool body) {
        start.wait();
        for (int i = 0; i < 3000; ++i) {
            std::string out = "untouched";
            bool ran = body ? HtmlFromBody(out, "<body><img id=\"smile\"/></body>", {})
                            : ParseHtml2(out, Message, nullptr, 0);
            if (!ran)
                ++refused;
            const std::string expected =
                body ? "<body><img src=\":/Res/FaceMgr/em/1.png\"/></body>" : Message;
            if (out != (ran ? expected : "untouched"))
                ++wrong;
        }
    };
    std::thread other(work, true);
    work(false);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    RecordProperty("refused", refused.load());
}

TEST(CatalogueThreads, AFreshCatalogueIsReadOnManyThreadsAtOnce)
{
    // The first look-ups build the catalogue's table of names: four threads
    // make them together, and all get the answers of its nameIndex.
    TempDir dir;
    std::string xml = "<face><clasic size=\"300\">";
    for (int i = 1; i <= 300; ++i)
        xml += "<em id=\"" + std::to_string(i) + "\">name " + std::to_string(i % 250) + "</em>";
    const EmoticonCache cache(dir.write("emo.dat", xml + "</clasic></face>").c_str());
    std::atomic<int> wrong{0};
    StartLine start(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            start.wait();
            for (int i = 0; i < 300; ++i) {
                const std::string name = "name " + std::to_string(i);
                const auto found = cache.nameIndex.find(name);
                const std::string expected =
                    found == cache.nameIndex.end()
                        ? ""
                        : "<img src=\":/Res/FaceMgr/em/" + found->second->id + ".png\"/>";
                wrong += cache.getPathFromName(name) != expected;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
