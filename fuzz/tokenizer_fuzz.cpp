// SPDX-License-Identifier: MIT
// The tokenizer over arbitrary bytes, with a parser that records the image
// events and checks where they point.
#include <cstdint>
#include <cstring>
#include <string>

#include "fixture.h"
#include "html/HtmlParser.h"

namespace {

using fuzzing::require;

class RecordingParser : public Tessel::HtmlParser {
public:
    RecordingParser(const std::string& input, bool paragraphs)
        : input_(input), paragraphs_(paragraphs) {}

    void onImgSrc(const char* tagStart, const std::string& value) override { check(tagStart, value); }
    void onImgId(const char* tagStart, const std::string& value) override { check(tagStart, value); }
    bool wantParagraphs() override { return paragraphs_; }

    std::size_t events = 0;

private:
    // tagStart is the '<' of an image tag inside the input, and the value is
    // a stretch of the input after it.
    void check(const char* tagStart, const std::string& value)
    {
        const char* begin = input_.data();
        const char* end = begin + input_.size();
        require(tagStart >= begin && tagStart < end && *tagStart == '<');
        const char* from = tagStart + 1;
        require(value.size() <= static_cast<std::size_t>(end - from));
        require(value.empty() ||
                memmem(from, static_cast<std::size_t>(end - from), value.data(), value.size()));
        ++events;
    }

    const std::string& input_;
    bool paragraphs_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses whether block tags ask for paragraphs.
    const bool paragraphs = data[0] & 1;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    RecordingParser parser(input, paragraphs);
    parser.parse(input.data(), input.size());
    const std::string first = parser.text;
    const std::size_t events = parser.events;

    // Without paragraphs the text is made of input bytes only.
    require(paragraphs || first.size() <= input.size());

    // A second run on the same object starts from fresh state and appends
    // the same text again.
    parser.parse(input.data(), input.size());
    require(parser.text.size() == 2 * first.size() &&
            parser.text.compare(first.size(), first.size(), first) == 0);
    require(parser.events == 2 * events);
    return 0;
}
