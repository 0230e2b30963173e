// SPDX-License-Identifier: MIT
#include "html/TextParser.h"

#include "base/hot.h"
#include "html/entities.h"

namespace Tessel {

TextParser::~TextParser() = default;

TESSEL_HOT void TextParser::parse(const char* data, std::size_t length)
{
    parseScanned(data, length, scanMessage(data, length));
}

TESSEL_HOT void TextParser::parseScanned(const char* data, std::size_t length, const MessageScan& scan)
{
    text.clear();
    const char* const end = data + length;

    if (scan.angle) {
        // A '>' before any '<' ends the tail of a tag cut off at the start:
        // drop it.
        const char* start = *scan.angle == '>' ? scan.angle + 1 : data;
        // The text is rarely longer than the markup it comes from: one
        // allocation up front instead of a series of doublings, and none
        // when a parser used before has the room already.
        if (text.capacity() < static_cast<std::size_t>(end - start))
            text.reserve(static_cast<std::size_t>(end - start));
        HtmlParser::parse(start, static_cast<std::size_t>(end - start));
    } else {
        // White space before the first reference stays white space once
        // decoded, and is trimmed: it is not copied.
        const std::string_view kept = withoutLeadingSpace(std::string_view(data, length));
        text.assign(kept.data(), kept.size());
        if (scan.ampersand)
            decodeEntitiesFrom(text, static_cast<std::size_t>(scan.ampersand - kept.data()));
    }

    trimLeadingSpace(text);
}

}  // namespace Tessel
