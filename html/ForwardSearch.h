// Repeated searches for a marker in one NUL-terminated text from positions
// that only move forward, as the parsers do from one tag to the next.
#pragma once

#include <cstring>

namespace Tessel {

// Keeps the last answer and reuses it for every later position that lies
// before it: a message with many tags whose marker is far away, or missing,
// is then searched once instead of once per tag.
class ForwardSearch {
public:
    explicit ForwardSearch(const char* marker) : marker_(marker) {}

    // Forgets the text searched so far; needed before searching another.
    void restart() { from_ = found_ = nullptr; }

    // The first occurrence of the marker at or after from, or the NUL that
    // ends the text when there is none (strstr's view of the text).
    const char* find(const char* from)
    {
        if (!from_ || from < from_ || from > found_) {
            const char* hit = std::strstr(from, marker_);
            from_ = from;
            found_ = hit ? hit : from + std::strlen(from);
        }
        return found_;
    }

private:
    const char* marker_;
    const char* from_ = nullptr;
    const char* found_ = nullptr;
};

}  // namespace Tessel
