// SPDX-License-Identifier: MIT
// The memory a parser keeps for one run: blocks from the in-object buffer and
// then from heap chunks, aligned and apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "html/run_memory.h"

using namespace Tessel;

namespace {

struct Block {
    unsigned char* at;
    std::size_t size;
    unsigned char fill;

    bool intact() const { return std::all_of(at, at + size, [this](unsigned char b) { return b == fill; }); }
};

// A block taken from the arena, checked for its alignment and filled.
Block take(RunArena& arena, std::size_t size, std::size_t alignment, unsigned char fill)
{
    auto* at = static_cast<unsigned char*>(arena.allocate(size, alignment));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % alignment, 0u) << size << " bytes";
    std::memset(at, fill, size);
    return {at, size, fill};
}

}  // namespace

TEST(RunArena, BlocksAreAlignedAndApartAcrossChunks)
{
    // Mixed sizes and alignments, well past the buffer, with a single block
    // larger than any chunk so far and blocks after it.
    RunArena arena;
    std::vector<Block> blocks;
    const std::size_t sizes[] = {1, 7, 32, 24, 3, 100, 48, 5000, 16, 9}, alignments[] = {1, 8, 16, 64};
    for (int i = 0; i < 400; ++i)
        blocks.push_back(take(arena, sizes[i % 10], alignments[i % 4], static_cast<unsigned char>(i)));
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_TRUE(blocks[i].intact()) << i;
}

TEST(RunArena, ClearedArenaStartsOverInItsBuffer)
{
    // Cleared after reaching the heap, the arena hands out its own buffer
    // again, from the start, and later blocks stay apart.
    RunArena arena;
    const Block first = take(arena, 8, 8, 1);
    for (int i = 0; i < 50; ++i)
        take(arena, 100, 8, 2);
    arena.clear();
    std::vector<Block> blocks;
    for (int i = 0; i < 50; ++i)
        blocks.push_back(take(arena, 100, 8, static_cast<unsigned char>(i)));
    EXPECT_EQ(blocks[0].at, first.at);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_TRUE(blocks[i].intact()) << i;
}
