// SPDX-License-Identifier: MIT
// One large message does not leave the library holding its memory: the
// buffers that the parsers keep from one message to the next are given back
// once a later message no longer needs them.
#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <string>

#include "support/common.h"
#include "tessel/tessel.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool heapIsCounted = false;  // the sanitizers keep heaps of their own
#elif defined(__GLIBC__)
constexpr bool heapIsCounted = true;
#else
constexpr bool heapIsCounted = false;
#endif

// Bytes of the heap in use, as the C library counts them.
std::size_t heapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#else
    return 0;
#endif
}

// Runs the message through every conversion, keeping none of the results.
void convert(const std::string& message)
{
    std::string out;
    ParseHtml(message, nullptr, 0, false);
    ParseHtml2(out, message, nullptr, 0);
    GetText(out);
    ParseHtml_Orb(message);
    GetBody(out);
    StringPairList emoticons, images;
    GetEChVector(emoticons);
    GetImageVector(images);
    HtmlFromBody(out, out, images);
    EChTextFromBody(message, out);
}

}  // namespace

TEST(Memory, ALargeMessageIsNotKept)
{
    if (!heapIsCounted)
        GTEST_SKIP() << "the heap in use is read from glibc's allocator";
    TempDir dir;
    ASSERT_TRUE(Init("", dir.write("emo.dat", SampleCatalogueXml).c_str()));
    const std::string small = "<p>Hi <img src=\":/Res/FaceMgr/em/1.png\"/> &amp; bye</p>";
    convert(small);
    const std::size_t before = heapInUse();
    {
        std::string large = "<body><p>";
        while (large.size() < (50u << 20))
            large += "a long message <b>with</b> words <img src=\":/Res/FaceMgr/em/2.png\"/> &lt;3 ";
        convert(large + "</p></body>");
    }
    convert(small);
    const std::size_t after = heapInUse();
    // Each kept buffer holds at most 64 KiB once a small message has followed.
    EXPECT_LT(after, before + (1u << 20)) << "before: " << before << " after: " << after;
}
