// SPDX-License-Identifier: MIT
#include "html/run_memory.h"

#include <algorithm>
#include <cstdlib>

namespace Tessel {

void* RunArena::allocateFromChunk(std::size_t bytes, std::size_t alignment)
{
    const std::size_t header = (sizeof(Chunk) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    const std::size_t last = chunks_ ? chunks_->size : sizeof buffer_;
    if (bytes > static_cast<std::size_t>(-1) / 2 - header - alignment)
        throw std::bad_alloc();
    const std::size_t size = std::max(2 * last, header + bytes + alignment);
    void* memory = std::malloc(size);
    if (!memory)
        throw std::bad_alloc();
    chunks_ = new (memory) Chunk{chunks_, size};
    next_ = reinterpret_cast<std::uintptr_t>(memory) + header;
    limit_ = reinterpret_cast<std::uintptr_t>(memory) + size;
    markFree(reinterpret_cast<void*>(next_), size - header);
    return allocate(bytes, alignment);
}

void RunArena::freeChunks()
{
    while (chunks_) {
        Chunk* previous = chunks_->previous;
        markInUse(chunks_, chunks_->size);
        std::free(chunks_);
        chunks_ = previous;
    }
}

}  // namespace Tessel
