// SPDX-License-Identifier: MIT
// TextParser over arbitrary bytes: whole messages, with and without markup.
#include <cstdint>
#include <string>

#include "fixture.h"
#include "html/TextParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    Tessel::TextParser parser;
    parser.parse(input.data(), input.size());

    // Text is taken from the input and references only ever shrink when
    // decoded; the leading white space is gone; body is never written.
    const std::string& text = parser.text;
    fuzzing::require(text.size() <= input.size() && parser.body.empty());
    fuzzing::require(text.empty() ||
                     (text[0] != ' ' && text[0] != '\t' && text[0] != '\n' && text[0] != '\r'));

    // The parser is reusable: a second message gives the same text again.
    const std::string first = text;
    parser.parse(input.data(), input.size());
    fuzzing::require(parser.text == first);
    return 0;
}
