// SPDX-License-Identifier: MIT
// Memory for what a parser remembers during one run and gives back all at
// once when it is cleared or destroyed: blocks from a buffer inside the
// object, and from the heap only for messages with many pictures. Taking a
// block is a pointer bump in line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TESSEL_RUN_MEMORY_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSEL_RUN_MEMORY_CHECKED 1
#endif
#endif
#ifdef TESSEL_RUN_MEMORY_CHECKED
#include <sanitizer/asan_interface.h>
#endif

namespace Tessel {

class RunArena {
public:
    RunArena() { markFree(buffer_, sizeof buffer_); }
    RunArena(const RunArena&) = delete;
    RunArena& operator=(const RunArena&) = delete;
    ~RunArena()
    {
        if (chunks_)
            freeChunks();
        markInUse(buffer_, sizeof buffer_);
    }

    // Takes every block back: the buffer is free again, the heap chunks are
    // returned.
    void clear()
    {
        if (chunks_)
            freeChunks();
        markFree(buffer_, sizeof buffer_);
        next_ = reinterpret_cast<std::uintptr_t>(buffer_);
        limit_ = next_ + sizeof buffer_;
    }

    void* allocate(std::size_t bytes, std::size_t alignment)
    {
        const std::uintptr_t at = (next_ + alignment - 1) & ~(alignment - 1);
        if (at < next_ || at > limit_ || bytes > limit_ - at)
            return allocateFromChunk(bytes, alignment);
        next_ = at + bytes;
        markInUse(reinterpret_cast<void*>(at), bytes);
        return reinterpret_cast<void*>(at);
    }

private:
    // Under AddressSanitizer, memory not handed out is poisoned, so that a
    // read or write past a block is caught as it would be on the heap.
#ifdef TESSEL_RUN_MEMORY_CHECKED
    static void markFree(void* at, std::size_t bytes) { ASAN_POISON_MEMORY_REGION(at, bytes); }
    static void markInUse(void* at, std::size_t bytes) { ASAN_UNPOISON_MEMORY_REGION(at, bytes); }
#else
    static void markFree(void*, std::size_t) {}
    static void markInUse(void*, std::size_t) {}
#endif

    struct Chunk {
        Chunk* previous;
        std::size_t size;
    };

    // Takes the block from a new heap chunk, at least twice the last one.
    void* allocateFromChunk(std::size_t bytes, std::size_t alignment);
    void freeChunks();

    // Room for the sources and paths of about sixteen pictures: most
    // messages never reach the heap.
    alignas(std::max_align_t) unsigned char buffer_[1024];
    std::uintptr_t next_ = reinterpret_cast<std::uintptr_t>(buffer_);
    std::uintptr_t limit_ = next_ + sizeof buffer_;
    Chunk* chunks_ = nullptr;
};

// A standard allocator drawing on a RunArena. Blocks are given back only
// with the whole arena, so a container using it must not outlive it.
template <class T>
class RunAllocator {
public:
    using value_type = T;

    explicit RunAllocator(RunArena& arena) noexcept : arena_(&arena) {}
    template <class U>
    RunAllocator(const RunAllocator<U>& other) noexcept : arena_(other.arena())
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(arena_->allocate(n * sizeof(T), alignof(T)));
    }
    void deallocate(T*, std::size_t) noexcept {}

    RunArena* arena() const noexcept { return arena_; }

    template <class U>
    bool operator==(const RunAllocator<U>& other) const noexcept
    {
        return arena_ == other.arena();
    }
    template <class U>
    bool operator!=(const RunAllocator<U>& other) const noexcept
    {
        return arena_ != other.arena();
    }

private:
    RunArena* arena_;
};

}  // namespace Tessel
