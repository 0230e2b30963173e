// SPDX-License-Identifier: MIT
// The sources that one ParseHtml call has resolved, each with its path and
// where the call wrote its image tag, looked up by the source's bytes. A message's first few sources are kept
// in a small array and compared one by one, which costs no hashing; past
// them every source goes into an open-addressing hash table in the call's
// run memory, so that a message of many pictures compares a source with
// about one other instead of the dozen of a tree's path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/byte_hash.h"
#include "base/hot.h"
#include "html/run_memory.h"

namespace Tessel {

class SourceTable {
public:
    // The table draws on memory, which must not be cleared before the table.
    explicit SourceTable(RunArena& memory) : memory_(memory) {}
    SourceTable(const SourceTable&) = delete;
    SourceTable& operator=(const SourceTable&) = delete;

    // What a call remembers of a resolved source: its path, and where the
    // image tag of the path was last written into the text, in which run.
    struct Picture {
        std::string_view path;
        std::size_t tagAt;
        std::size_t tagLength;
        std::size_t run;
    };

    // The picture remembered for source, or null.
    TESSEL_IN_LINE Picture* find(std::string_view source)
    {
        return slots_ ? findHashed(source) : findFew(source);
    }

    // Remembers a source not in the table, with its path and no tag yet
    // (run 0). The bytes of both must stay where they are as long as the
    // table remembers them.
    Picture& insert(std::string_view source, std::string_view path);

    std::size_t size() const { return count_; }

    // Forgets every source; the run memory is the caller's to clear.
    void clear()
    {
        count_ = 0;
        slots_ = nullptr;
        slotMask_ = 0;
    }

    // Past this many sources the hash table takes over.
    static constexpr std::size_t Few = 16;

private:
    struct Entry {
        Picture picture;
        const char* source;
        std::size_t sourceLength;
        std::uint64_t hash;  // set once the entry is in the hash table
    };

    // Whether n bytes at a and b are equal. A message's sources tend to
    // share their start (":/emoticons/..."), so the last eight bytes are
    // compared first.
    static bool sameBytes(const char* a, const char* b, std::size_t n)
    {
        if (n < 8)
            return std::memcmp(a, b, n) == 0;
        std::uint64_t tailA;
        std::uint64_t tailB;
        std::memcpy(&tailA, a + n - 8, 8);
        std::memcpy(&tailB, b + n - 8, 8);
        return tailA == tailB && std::memcmp(a, b, n - 8) == 0;
    }

    static bool same(const Entry& entry, std::string_view source)
    {
        return entry.sourceLength == source.size() && sameBytes(entry.source, source.data(), source.size());
    }

    Picture* findFew(std::string_view source)
    {
        for (std::size_t i = 0; i < count_; ++i) {
            if (same(few_[i], source))
                return &few_[i].picture;
        }
        return nullptr;
    }

    Picture* findHashed(std::string_view source)
    {
        const std::uint64_t hash = hashBytes(source);
        for (std::size_t i = hash & slotMask_;; i = (i + 1) & slotMask_) {
            Entry* entry = slots_[i];
            if (!entry)
                return nullptr;
            if (entry->hash == hash && same(*entry, source))
                return &entry->picture;
        }
    }

    // Puts every entry into a table of twice the slots (the first: 4 * Few).
    void grow();
    void place(Entry* entry);

    RunArena& memory_;
    Entry few_[Few];
    std::size_t count_ = 0;
    Entry** slots_ = nullptr;  // null while the few hold every source
    std::size_t slotMask_ = 0;
};

}  // namespace Tessel
