// SPDX-License-Identifier: MIT
// MD5 and the image key: known digests, padding boundaries, input in chunks,
// and the table of remembered keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "html/image_key_cache.h"
#include "html/md5.h"

using namespace Tessel;

namespace {

// The digest of data fed in chunks of the given size.
std::string hexDigest(const std::string& data, std::size_t chunk)
{
    Md5 md5;
    for (std::size_t i = 0; i < data.size(); i += chunk)
        md5.update(data.data() + i, std::min(chunk, data.size() - i));
    md5.update(nullptr, 0);
    unsigned char digest[16];
    md5.finish(digest);
    std::string out;
    for (unsigned char b : digest)
        out += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return out;
}

}  // namespace

TEST(Md5, KnownDigests)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        // 55 bytes fit one block with the length; 56 and 64 need a second one.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const auto& [data, digest] : cases)
        EXPECT_EQ(imageKey(data), digest) << data.size() << " bytes";
    // Every byte value, NUL included: whole, and in chunks below, at and
    // above the 64-byte block.
    std::string bytes;
    for (int i = 0; i < 1024; ++i)
        bytes += static_cast<char>(i);
    const char* const digest = "b2ea9f7fcea831a4a63b213f41a8855b";
    EXPECT_EQ(imageKey(bytes), digest);
    for (std::size_t chunk : {1, 7, 63, 64, 65, 1024})
        EXPECT_EQ(hexDigest(bytes, chunk), digest) << "chunk " << chunk;
}

TEST(ImageKey, RememberedKeysAreTheDigests)
{
    // More short sources and more picture paths than the tables have slots,
    // so entries are replaced and found again; sources at the lengths where
    // one table gives way to the other, and very long ones, which bypass
    // both.
    std::vector<std::string> sources{"",
                                     std::string("a\0b", 3),
                                     "a",
                                     std::string(31, 'x'),
                                     std::string(32, 'x'),
                                     std::string(223, 'x'),
                                     std::string(224, 'x'),
                                     std::string(4096, 'y')};
    for (int i = 0; i < 5000; ++i)
        sources.push_back(":/Res/FaceMgr/em/" + std::to_string(i) + ".png");
    for (int i = 0; i < 500; ++i)
        sources.push_back("/home/someone/Pictures/" + std::string(i % 150, 'p') + std::to_string(i) + ".png");
    auto check = [&sources](std::size_t offset) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const std::string& source = sources[(i + offset) % sources.size()];
            ASSERT_EQ(cachedImageKey(source).str(), imageKey(source)) << source.size() << " bytes";
        }
    };
    check(0);
    check(0);
    // Threads that meet at the table still get the right keys.
    std::thread other(check, 7);
    check(0);
    other.join();
}
