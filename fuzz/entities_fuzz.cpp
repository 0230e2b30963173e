// SPDX-License-Identifier: MIT
// The character reference decoder and the UTF-8 encoder over arbitrary bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "fixture.h"
#include "html/TextParser.h"
#include "html/entities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The table is filled by the first parser, as in the library.
    static const Tessel::TextParser filler;
    (void)filler;

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string s = input;
    Tessel::decodeEntities(s);
    // No reference is shorter than its bytes; text without '&' is kept.
    fuzzing::require(s.size() <= input.size());
    fuzzing::require(input.find('&') != std::string::npos || s == input);
    // A reference means the same wherever it stands and whatever the decoder
    // met before it: the second copy is decoded after the first has been.
    std::string twice = input + '\n' + input;
    Tessel::decodeEntities(twice);
    fuzzing::require(twice == s + '\n' + s);

    if (size >= 4) {
        std::uint32_t codePoint;
        std::memcpy(&codePoint, data, 4);
        codePoint |= 0x80;  // the encoder is only called above ASCII
        char buffer[4];
        const int written = Tessel::encodeUtf8(codePoint, buffer);
        const int expected = codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : codePoint < 0x200000 ? 4 : 0;
        fuzzing::require(written == expected);
    }
    return 0;
}
