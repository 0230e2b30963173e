// SPDX-License-Identifier: MIT
// Character references: the entity name table and the in-place decoder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace Tessel {

// Elements constructed or destroyed in EntityTable so far. The decoder keeps
// an index of the table and builds it again when this count has moved.
extern std::uint64_t EntityTableEdits;

// The allocator of EntityTable: std::allocator, counting in EntityTableEdits
// every element it constructs or destroys (insertions, erasures, assignments).
template <class T>
struct EntityTableAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = EntityTableAllocator<U>;
    };
    EntityTableAllocator() = default;
    template <class U>
    EntityTableAllocator(const EntityTableAllocator<U>&) noexcept
    {
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        ++EntityTableEdits;
    }
    template <class U>
    void destroy(U* p)
    {
        p->~U();
        ++EntityTableEdits;
    }
};

using EntityMap = std::map<std::string, std::int32_t, std::less<>,
                           EntityTableAllocator<std::pair<const std::string, std::int32_t>>>;

// Entity name to code point; filled by the first parser constructed. It may
// be changed at any time between two decodings: the decoder always goes by
// what it holds.
extern EntityMap EntityTable;

// Fills EntityTable with its 253 entries when it is empty.
void fillEntityTable();

// Replaces character references in s by their bytes (UTF-8 above ASCII).
void decodeEntities(std::string& s);

// The same for a string whose first '&' is known to be at `first`.
void decodeEntitiesFrom(std::string& s, std::size_t first);

// Writes the UTF-8 form of a code point of 128 or more into buffer (at least
// 4 bytes); returns the byte count, 0 for code points of 0x200000 and above.
int encodeUtf8(std::uint32_t codePoint, char* buffer);

}  // namespace Tessel
