// The rich-text parser that ParseHtml builds for one call and destroys after
// it. Nothing outside the call can see its look-ups, so it remembers the
// sources it has resolved under their own bytes, read where they stand in
// the message, rather than in imageCache under their image keys: equal
// sources have equal keys. A message's first few pictures go into a small
// table, compared one by one, and cost neither a digest nor a map node; a
// message with more moves them all into a map in memory of the parser's own.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "html/RichTextParser.h"
#include "html/run_memory.h"

namespace Tessel {

class SingleCallParser : public RichTextParser {
public:
    // Built and destroyed on every call: both in line.
    SingleCallParser() = default;
    ~SingleCallParser() override = default;

    // Each run starts with nothing remembered, as each ParseHtml call does:
    // what a run remembers points into its message.
    void parse(const char* data, std::size_t length) override;

protected:
    bool findOrResolve(const char* tagStart, const std::string& src, std::string_view& path) override;

private:
    // Past this many sources the map takes over, so that a look-up compares
    // with no more than this many entries one by one.
    static constexpr std::size_t TableSize = 16;

    // Plain members, so that the table is not cleared when the parser is built.
    struct Resolved {
        const char* source;
        std::size_t sourceLength;
        const char* path;
        std::size_t pathLength;
    };

    // A copy of bytes in the parser's memory.
    std::string_view keep(std::string_view bytes);

    // Remembers a resolved source and its path. Both stay where they are in
    // the message; only a downloaded file's path is copied.
    std::string_view remember(const std::string& src, std::string_view path, const std::string& downloaded);

    RunArena memory_;
    Resolved resolved_[TableSize];
    std::size_t count_ = 0;
    using SourceMap = std::map<std::string_view, std::string_view, std::less<>,
                               RunAllocator<std::pair<const std::string_view, std::string_view>>>;
    SourceMap more_{RunAllocator<char>(memory_)};
};

}  // namespace Tessel
