// MD5 and the image key: the RFC's test suite, padding boundaries, input in
// chunks, and the table of remembered keys.
#include <gtest/gtest.h>

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
    const std::string digits = "1234567890";
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {digits + digits + digits + digits + digits + digits + digits + digits,
         "57edf4a22be3c955ac49da2e2107b67a"},
        // 55 bytes fit one block with the length; 56 and 64 need a second one.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const auto& [data, digest] : cases) {
        EXPECT_EQ(imageKey(data), digest) << data.size() << " bytes";
        EXPECT_EQ(hexDigest(data, 1000), digest) << data.size() << " bytes";
    }
    // Every byte counts, NUL included.
    EXPECT_NE(imageKey(std::string("a\0b", 3)), imageKey("a"));

    std::string bytes;
    for (int i = 0; i < 1024; ++i)
        bytes += static_cast<char>(i);
    for (std::size_t chunk : {1, 3, 7, 13, 63, 64, 65, 100, 1024})
        EXPECT_EQ(hexDigest(bytes, chunk), "b2ea9f7fcea831a4a63b213f41a8855b") << "chunk " << chunk;
}

TEST(ImageKey, RememberedKeysAreTheDigests)
{
    // More short sources than the table has slots, so entries are replaced
    // and found again; long sources bypass the table.
    std::vector<std::string> sources{"", std::string("a\0b", 3), std::string(7, 'x'),
                                     std::string(8, 'x'), std::string(31, 'x'),
                                     std::string(32, 'x'), std::string(4096, 'y')};
    for (int i = 0; i < 5000; ++i)
        sources.push_back(":/Res/FaceMgr/em/" + std::to_string(i) + ".png");
    for (int round = 0; round < 2; ++round)
        for (const auto& source : sources)
            ASSERT_EQ(cachedImageKey(source).str(), imageKey(source)) << source;

    // Threads that meet at the table still get the right keys.
    auto check = [&sources](std::size_t offset) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const std::string& source = sources[(i + offset) % sources.size()];
            if (cachedImageKey(source).str() != imageKey(source))
                ADD_FAILURE() << source;
        }
    };
    std::thread other(check, 7);
    check(0);
    other.join();
}
