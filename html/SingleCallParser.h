// The rich-text parser that ParseHtml builds for one call and destroys after
// it. Nothing outside the call can see its look-ups, so it keeps the sources
// it has resolved in a small table inside the object, under their own bytes,
// rather than in imageCache under their image keys: equal sources have equal
// keys, and a message's few pictures cost neither a digest nor a map node.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "html/RichTextParser.h"
#include "html/run_memory.h"

namespace Tessel {

class SingleCallParser : public RichTextParser {
public:
    SingleCallParser();
    ~SingleCallParser() override;

protected:
    bool findOrResolve(const char* tagStart, const std::string& src, std::string_view& path) override;

private:
    // Sources past this many take the ordinary way through imageCache, so a
    // look-up never compares with more than this many entries.
    static constexpr std::size_t TableSize = 16;

    // Plain members, so that the table is not cleared when the parser is built.
    struct Resolved {
        const char* source;
        std::size_t sourceLength;
        const char* path;
        std::size_t pathLength;
    };

    // A copy of bytes in the run memory.
    std::string_view keep(std::string_view bytes);

    RunArena memory_;
    Resolved resolved_[TableSize];
    std::size_t count_ = 0;
};

}  // namespace Tessel
