// Plain text of a whole message.
#pragma once

#include "html/HtmlParser.h"

namespace Tessel {

class TextParser : public HtmlParser {
public:
    ~TextParser() override;
    void parse(const char* data, std::size_t length) override;
};

}  // namespace Tessel
