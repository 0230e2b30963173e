#include "html/TextParser.h"

#include <cstring>

#include "base/hot.h"
#include "html/entities.h"

namespace Tessel {

TextParser::~TextParser() = default;

TESSEL_HOT void TextParser::parse(const char* data, std::size_t length)
{
    text.clear();

    // The first angle bracket of either kind: a '<' bounds the search for '>'.
    const char* end = data + length;
    const char* lt = length ? static_cast<const char*>(std::memchr(data, '<', length)) : nullptr;
    const char* searchEnd = lt ? lt : end;
    const char* gt = searchEnd > data
        ? static_cast<const char*>(std::memchr(data, '>', static_cast<std::size_t>(searchEnd - data)))
        : nullptr;

    if (lt || gt) {
        // A leading '>' ends the tail of a tag cut off at the start: drop it.
        const char* start = gt ? gt + 1 : data;
        // The text is rarely longer than the markup it comes from: one
        // allocation up front instead of a series of doublings, and none
        // when a parser used before has the room already.
        if (text.capacity() < static_cast<std::size_t>(end - start))
            text.reserve(static_cast<std::size_t>(end - start));
        HtmlParser::parse(start, static_cast<std::size_t>(end - start));
    } else {
        text.assign(data, length);
        decodeEntities(text);
    }

    trimLeadingSpace(text);
}

}  // namespace Tessel
