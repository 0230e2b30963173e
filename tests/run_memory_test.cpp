// The memory a parser keeps for one run: blocks from the in-object buffer and
// then from heap chunks, aligned and apart, and a rewind that never takes
// back a block still in use.
#include <gtest/gtest.h>

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
};

Block take(RunArena& arena, std::size_t size, std::size_t alignment, unsigned char fill)
{
    auto* at = static_cast<unsigned char*>(arena.allocate(size, alignment));
    std::memset(at, fill, size);
    return {at, size, fill};
}

bool intact(const Block& block)
{
    for (std::size_t i = 0; i < block.size; ++i)
        if (block.at[i] != block.fill)
            return false;
    return true;
}

}  // namespace

TEST(RunArena, BlocksAreAlignedAndApartAcrossChunks)
{
    // Mixed sizes and alignments, well past the buffer, with a single block
    // larger than any chunk so far and blocks after it.
    RunArena arena;
    std::vector<Block> blocks;
    const std::size_t sizes[] = {1, 7, 32, 24, 3, 100, 48, 5000, 16, 9};
    const std::size_t alignments[] = {1, 8, 16, 64};
    for (int i = 0; i < 400; ++i) {
        const std::size_t alignment = alignments[i % 4];
        Block block = take(arena, sizes[i % 10], alignment, static_cast<unsigned char>(i));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.at) % alignment, 0u) << i;
        blocks.push_back(block);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_TRUE(intact(blocks[i])) << i;
}

TEST(RunArena, RewindWaitsForEveryBlock)
{
    RunArena arena;
    const Block kept = take(arena, 40, 8, 0xaa);
    for (int i = 0; i < 100; ++i)
        take(arena, 64, 8, static_cast<unsigned char>(i));
    for (int i = 0; i < 100; ++i)
        arena.deallocate();
    // One block is still held: the rewind gives nothing back.
    arena.rewind();
    const Block later = take(arena, 64, 8, 0xbb);
    EXPECT_NE(later.at, kept.at);
    EXPECT_TRUE(intact(kept));

    // All given back: the buffer is used from its start again.
    arena.deallocate();
    arena.deallocate();
    arena.rewind();
    EXPECT_EQ(arena.allocate(40, 8), kept.at);
    arena.deallocate();
}
