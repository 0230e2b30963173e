#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "html/image_key_cache.h"
#include "html/md5.h"

using namespace Tessel;

namespace {

std::string hexDigest(const std::string& data, std::size_t chunk = 0)
{
    Md5 md5;
    if (chunk == 0) {
        md5.update(data.data(), data.size());
    } else {
        for (std::size_t i = 0; i < data.size(); i += chunk)
            md5.update(data.data() + i, std::min(chunk, data.size() - i));
    }
    unsigned char digest[16];
    md5.finish(digest);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

}  // namespace

TEST(Md5, Rfc1321TestSuite)
{
    EXPECT_EQ(imageKey(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(imageKey("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(imageKey("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(imageKey("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(imageKey("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(imageKey("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(imageKey("1234567890123456789012345678901234567890"
                       "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PaddingBoundaries)
{
    // 55 bytes fit one block with the length; 56 and 64 need a second one.
    EXPECT_EQ(imageKey(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(imageKey(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(imageKey(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

TEST(Md5, ChunkedInputGivesTheSameDigest)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    const std::string expected = "b2ea9f7fcea831a4a63b213f41a8855b";
    EXPECT_EQ(hexDigest(bytes), expected);
    for (std::size_t chunk : {1, 3, 7, 13, 63, 64, 65, 100, 1000})
        EXPECT_EQ(hexDigest(bytes, chunk), expected) << "chunk " << chunk;

    Md5 million;
    const std::string block(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        million.update(block.data(), block.size());
    million.update(nullptr, 0);
    unsigned char digest[16];
    million.finish(digest);
    EXPECT_EQ(digest[0], 0x77);
    EXPECT_EQ(digest[15], 0x21);
}

TEST(ImageKey, LowercaseHexOfTheSourceBytes)
{
    EXPECT_EQ(imageKey("http://example.com/pic.png"), "80609bac7b10e72b762c5ec45bdc557c");
    EXPECT_EQ(imageKey(":/Res/FaceMgr/em/12.png"), "8df827404e4dafa586b1043390a17b04");
    // Every byte counts, including NUL and bytes above 0x7F.
    EXPECT_NE(imageKey(std::string("a\0b", 3)), imageKey("a"));
    EXPECT_NE(imageKey("\xC3\xA9"), imageKey("\xC3"));
}

TEST(ImageKey, RememberedKeysAreTheDigests)
{
    // Thousands of short sources share a few hundred table slots, so entries
    // are replaced and found again; long sources bypass the table.
    std::vector<std::string> sources{"", std::string("a\0b", 3), std::string(94, 'x'),
                                      std::string(95, 'x'), std::string(4096, 'y')};
    for (int i = 0; i < 3000; ++i)
        sources.push_back(":/Res/FaceMgr/em/" + std::to_string(i) + ".png");
    for (int round = 0; round < 2; ++round)
        for (const auto& source : sources)
            ASSERT_EQ(cachedImageKey(source), imageKey(source)) << source;

    // Threads that meet at the table still get the right keys.
    auto check = [&sources](std::size_t offset) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const std::string& source = sources[(i + offset) % sources.size()];
            if (cachedImageKey(source) != imageKey(source))
                ADD_FAILURE() << source;
        }
    };
    std::thread other(check, 7);
    check(0);
    other.join();
}
