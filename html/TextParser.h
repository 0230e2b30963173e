// SPDX-License-Identifier: MIT
// Plain text of a whole message.
#pragma once

#include "html/HtmlParser.h"
#include "html/message_scan.h"

namespace Tessel {

class TextParser : public HtmlParser {
public:
    ~TextParser() override;
    void parse(const char* data, std::size_t length) override;

    // The same as TextParser::parse, for a message that the caller has
    // scanned already (scanMessage).
    void parseScanned(const char* data, std::size_t length, const MessageScan& scan);
};

}  // namespace Tessel
