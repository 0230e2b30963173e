// SPDX-License-Identifier: MIT
// MD5 message digest (RFC 1321) and the image key built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tessel {

class Md5 {
public:
    Md5();
    void update(const void* data, std::size_t length);
    // Completes the digest into 16 bytes; the object must not be updated after.
    void finish(unsigned char digest[16]);

private:
    void transform(const unsigned char block[64]);
    std::uint32_t state_[4];
    std::uint64_t length_;
    unsigned char buffer_[64];
};

// The 32 lowercase hex digits of the MD5 digest of source's bytes.
std::string imageKey(const std::string& source);

// The same digits written to out, without a terminator or an allocation.
void writeImageKey(const char* source, std::size_t length, char out[32]);

}  // namespace Tessel
