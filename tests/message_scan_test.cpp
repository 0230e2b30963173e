// SPDX-License-Identifier: MIT
// The one pass over a message that decides how ParseHtml converts it,
// against the plain byte-by-byte search, at every length and position
// around its blocks; each message sits in a heap block of its own size, so
// that AddressSanitizer sees any read past it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "html/message_scan.h"

using namespace Tessel;

namespace {

MessageScan plainScan(const char* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '<' || data[i] == '>')
            return {data + i, nullptr};
    }
    const void* ampersand = std::memchr(data, '&', length);
    return {nullptr, static_cast<const char*>(ampersand)};
}

// The offsets of a scan's findings, -1 for none; the ampersand only counts
// without an angle bracket.
std::string offsets(const MessageScan& scan, const char* data)
{
    const long angle = scan.angle ? scan.angle - data : -1;
    const long ampersand = !scan.angle && scan.ampersand ? scan.ampersand - data : -1;
    return std::to_string(angle) + "," + std::to_string(ampersand);
}

void expectSameScan(const std::string& message)
{
    // Not a std::string, whose spare capacity a read past the end could land in.
    const std::unique_ptr<char[]> exact(new char[message.size()]);
    if (!message.empty())
        std::memcpy(exact.get(), message.data(), message.size());
    const char* data = exact.get();
    ASSERT_EQ(offsets(scanMessage(data, message.size()), data), offsets(plainScan(data, message.size()), data))
        << message;
}

}  // namespace

TEST(MessageScan, FindsWhatTheByteSearchFinds)
{
    // Lengths below a block, across the overlapping last block and past the
    // length from which the rest after an '&' goes to memchr.
    for (std::size_t length = 0; length <= 100; ++length) {
        const std::string plain(length, 'a');
        expectSameScan(plain);
        for (std::size_t at = 0; at < length; ++at) {
            for (char c : {'<', '>', '&'}) {
                std::string one = plain;
                one[at] = c;
                expectSameScan(one);
            }
            // An '&' before or after an angle bracket, and a second '&'.
            for (std::size_t other = 0; other < length; other += 3) {
                std::string two = plain;
                two[at] = '&';
                two[other] = other % 2 ? '>' : '<';
                expectSameScan(two);
                two[other] = '&';
                expectSameScan(two);
            }
        }
    }
    // Bytes with the high bit set, and NUL bytes, are text like any other.
    expectSameScan(std::string("\xBC\xBE\xA6\0x&y", 7) + std::string(40, '\x80') + "<");
}
