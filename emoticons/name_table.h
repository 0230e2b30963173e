// SPDX-License-Identifier: MIT
// The names of a catalogue's nameIndex in an open-addressing hash table, so
// that a body's emoticon references are found with one hash and about one
// comparison instead of the ten of a tree's path. Built with the catalogue
// and only read afterwards, so any number of threads look names up at once.
// The names are copied: a table that no longer follows its map (see
// follows) is never read, and even then it points at nothing the map freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct EMOSTRUCT;

namespace Tessel {

class NameTable {
public:
    using Names = std::map<std::string, EMOSTRUCT*>;

    NameTable() = default;
    explicit NameTable(const Names& names);

    // Whether the table was built from names as they are: nameIndex is a
    // public member, and an insertion or erasure changes its size, its first
    // or its last node.
    bool follows(const Names& names) const
    {
        return names.size() == size_ &&
               (size_ == 0 || (&*names.begin() == first_ && &*names.rbegin() == last_));
    }

    // The record of name, or null.
    EMOSTRUCT* find(std::string_view name) const;

private:
    struct Entry {
        std::uint32_t at;  // the name's bytes in names_
        std::uint32_t length;
        EMOSTRUCT* record;
    };

    // Each slot holds an entry's index plus one, 0 when free: small slots,
    // so that a large catalogue's table stays small.
    std::vector<std::uint32_t> slots_;
    std::size_t mask_ = 0;
    std::vector<Entry> entries_;
    std::string names_;
    std::size_t size_ = 0;
    const void* first_ = nullptr;
    const void* last_ = nullptr;
};

}  // namespace Tessel
