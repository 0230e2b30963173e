// SPDX-License-Identifier: MIT
#include "html/md5.h"

#include <cstring>

namespace Tessel {

namespace {

inline std::uint32_t rotateLeft(std::uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t loadLe32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void storeLe32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Per-step shift amounts, four per round.
constexpr int Shift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// floor(abs(sin(i + 1)) * 2^32) for the 64 steps.
constexpr std::uint32_t Sine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, length_(0), buffer_{} {}

// One round: 16 steps of the same function, with the message word of step
// i at index (first + stride * i) mod 16. Fully unrolled, the variables
// rotate through registers instead of being moved.
template <int Round, typename Function>
inline void round16(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                    const std::uint32_t x[16], int first, int stride, Function f)
{
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t rotated =
            rotateLeft(a + f(b, c, d) + Sine[Round * 16 + i] + x[(first + stride * i) & 15],
                       Shift[Round][i & 3]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
}

void Md5::transform(const unsigned char block[64])
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = loadLe32(block + 4 * i);

    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    // The four round functions, written with one operation fewer where an
    // equivalent form exists.
    round16<0>(a, b, c, d, x, 0, 1, [](std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return d ^ (b & (c ^ d));
    });
    round16<1>(a, b, c, d, x, 1, 5, [](std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return c ^ (d & (b ^ c));
    });
    round16<2>(a, b, c, d, x, 5, 3, [](std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return b ^ c ^ d;
    });
    round16<3>(a, b, c, d, x, 0, 7, [](std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return c ^ (b | ~d);
    });
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::update(const void* data, std::size_t length)
{
    if (length == 0)
        return;
    const auto* in = static_cast<const unsigned char*>(data);
    const std::size_t used = static_cast<std::size_t>(length_ & 63);
    length_ += length;

    // Complete a partly filled block first, then digest whole blocks straight
    // from the input; only a trailing partial block is buffered.
    if (used) {
        const std::size_t take = length < 64 - used ? length : 64 - used;
        std::memcpy(buffer_ + used, in, take);
        in += take;
        length -= take;
        if (used + take < 64)
            return;
        transform(buffer_);
    }
    for (; length >= 64; in += 64, length -= 64)
        transform(in);
    if (length)
        std::memcpy(buffer_, in, length);
}

void Md5::finish(unsigned char digest[16])
{
    const std::uint64_t bitLength = length_ * 8;
    std::size_t used = static_cast<std::size_t>(length_ & 63);

    // Padding: one 0x80 byte, zeros up to 56 bytes mod 64, then the length.
    buffer_[used++] = 0x80;
    if (used > 56) {
        std::memset(buffer_ + used, 0, 64 - used);
        transform(buffer_);
        used = 0;
    }
    std::memset(buffer_ + used, 0, 56 - used);
    for (int i = 0; i < 8; ++i)
        buffer_[56 + i] = static_cast<unsigned char>(bitLength >> (8 * i));
    transform(buffer_);

    for (int i = 0; i < 4; ++i)
        storeLe32(digest + 4 * i, state_[i]);
}

void writeImageKey(const char* source, std::size_t length, char out[32])
{
    Md5 md5;
    md5.update(source, length);
    unsigned char digest[16];
    md5.finish(digest);

    static const char Hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < 16; ++i) {
        out[2 * i] = Hex[digest[i] >> 4];
        out[2 * i + 1] = Hex[digest[i] & 15];
    }
}

std::string imageKey(const std::string& source)
{
    std::string key(32, '0');
    writeImageKey(source.data(), source.size(), &key[0]);
    return key;
}

}  // namespace Tessel
