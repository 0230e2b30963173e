// SPDX-License-Identifier: MIT
// The rich-text parser of a ParseHtml call, made as new for each call.
// Nothing outside the call can see its look-ups, so it keeps the sources
// it has resolved in memory of its own, under their own bytes, rather than
// in imageCache under their image keys: equal sources have equal keys. A
// message's first few pictures go into a small table, compared one by one,
// and cost neither a digest nor a map node; a message with more moves them
// into a hash table in the same memory (SourceTable). With a source it
// keeps where it wrote the source's image tag into the text, so that a
// picture shown again in a message costs one append.
#pragma once

#include <string>
#include <string_view>

#include "html/RichTextParser.h"
#include "html/run_memory.h"
#include "html/source_table.h"

namespace Tessel {

class SingleCallParser : public RichTextParser {
    // The parser a thread keeps between calls, and whether a call is using it.
    struct Kept;
    static thread_local Kept threadParser_;

public:
    SingleCallParser() = default;
    ~SingleCallParser() override = default;

    // A run; a message that the caller has scanned already may go straight
    // to parseScanned.
    void parse(const char* data, std::size_t length) override;
    void parseScanned(const char* data, std::size_t length, const MessageScan& scan);

    // A source handed in as a string goes the way of those the tokenizer reports.
    void onImgSrc(const char* tagStart, const std::string& value) override;

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
    // before is found without a copy, and an image tag written for it
    // earlier in the run is copied from where it stands in the text.
    void reportImgSrc(const char* tagStart, std::string_view value) override;

private:
    // Makes a used parser as a new one, keeping the text buffer unless it
    // grew large; deletes the downloader, which closes its connections.
    void reset();

    // Resolves a source met for the first time in the call and remembers
    // it with its path; null when it does not resolve. src need not be
    // followed by a NUL: it is copied with one.
    SourceTable::Picture* resolveSource(const char* tagStart, std::string_view src);

    // A copy of bytes, followed by a NUL, in the parser's memory.
    std::string_view keep(std::string_view bytes);

    RunArena memory_;
    // The call's sources, their paths and where their image tags stand.
    SourceTable sources_{memory_};
    // Counts the runs, so that a tag written in an earlier run, whose text
    // is gone, is written again.
    std::size_t run_ = 0;
};

}  // namespace Tessel
