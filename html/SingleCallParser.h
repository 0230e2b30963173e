// The rich-text parser of a ParseHtml call, made as new for each call.
// Nothing outside the call can see its look-ups, so it keeps the sources
// it has resolved in memory of its own, under their own bytes, rather than
// in imageCache under their image keys: equal sources have equal keys. A
// message's first few pictures go into a small table, compared one by one,
// and cost neither a digest nor a map node; a message with more moves them
// all into a map in the same memory.
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
    // The parser a thread keeps between calls, and whether a call is using it.
    struct Kept;
    static thread_local Kept threadParser_;

public:
    SingleCallParser() = default;
    ~SingleCallParser() override = default;

    // A parser for one call, as if new. Building and destroying a parser
    // takes half as long as converting a short plain message, so each thread
    // keeps the parser of its last call; a call made while that one is in
    // use, from a callback, gets a new one.
    class Lease {
    public:
        Lease();
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        SingleCallParser* operator->() const { return parser_; }

    private:
        SingleCallParser* parser_;
        Kept* kept_ = nullptr;  // the thread's record, when the parser is its own
    };

protected:
    // Takes the src value where it stands in the message: a source met
    // before in the run is found without a copy.
    void reportImgSrc(const char* tagStart, std::string_view value) override;
    // src need not be followed by a NUL: a source is copied, with one, only
    // when it is first resolved.
    bool findOrResolve(const char* tagStart, std::string_view src, std::string_view& path) override;

private:
    // Makes a used parser as a new one, keeping the text buffer unless it
    // grew large; deletes the downloader, which closes its connections.
    void reset();

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

    // A copy of bytes, followed by a NUL, in the parser's memory.
    std::string_view keep(std::string_view bytes);

    // Remembers a resolved source, kept, and its path: a tail of the source
    // or a downloaded file's path, which is kept too.
    std::string_view remember(std::string_view source, std::string_view path, const std::string& downloaded);

    RunArena memory_;
    Resolved resolved_[TableSize];
    std::size_t count_ = 0;
    using SourceMap = std::map<std::string_view, std::string_view, std::less<>,
                               RunAllocator<std::pair<const std::string_view, std::string_view>>>;
    SourceMap more_{RunAllocator<char>(memory_)};
};

}  // namespace Tessel
