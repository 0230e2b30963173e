// Memory for what a parser remembers during one run (image keys and paths,
// emoticon ids). It comes from a buffer inside the parser, and from the heap
// only for messages with many pictures, and is given back all at once at the
// end of the run rather than entry by entry. Taking a block is a pointer
// bump in line, with no call through a memory resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <new>
#include <scoped_allocator>
#include <set>
#include <string>
#include <utility>

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
        freeChunks();
        markInUse(buffer_, sizeof buffer_);
    }

    void* allocate(std::size_t bytes, std::size_t alignment)
    {
        const std::uintptr_t at = (next_ + alignment - 1) & ~(alignment - 1);
        if (at < next_ || at > limit_ || bytes > limit_ - at)
            return allocateFromChunk(bytes, alignment);
        next_ = at + bytes;
        ++live_;
        markInUse(reinterpret_cast<void*>(at), bytes);
        return reinterpret_cast<void*>(at);
    }

    // Blocks are reclaimed together by rewind.
    void deallocate() { --live_; }

    // Starts again from the empty buffer, provided every container drawing
    // on the arena has given back what it held; else keeps everything.
    void rewind()
    {
        if (live_ != 0)
            return;
        freeChunks();
        next_ = reinterpret_cast<std::uintptr_t>(buffer_);
        limit_ = next_ + sizeof buffer_;
        markFree(buffer_, sizeof buffer_);
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

    // Room for about eight distinct pictures: most messages never reach the heap.
    alignas(std::max_align_t) unsigned char buffer_[1536];
    std::uintptr_t next_ = reinterpret_cast<std::uintptr_t>(buffer_);
    std::uintptr_t limit_ = next_ + sizeof buffer_;
    Chunk* chunks_ = nullptr;
    std::size_t live_ = 0;
};

// A standard allocator drawing on a RunArena.
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
    void deallocate(T*, std::size_t) noexcept { arena_->deallocate(); }

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

using RunString = std::basic_string<char, std::char_traits<char>, RunAllocator<char>>;

// Containers of run strings, looked up by string views without a copy; the
// scoped adaptor hands the arena on to the strings inside them.
template <class Key, class Value>
using RunMap = std::map<Key, Value, std::less<>,
                        std::scoped_allocator_adaptor<RunAllocator<std::pair<const Key, Value>>>>;
template <class Key>
using RunSet = std::set<Key, std::less<>, std::scoped_allocator_adaptor<RunAllocator<Key>>>;

// A base of the parsers, so that the arena is built before, and outlives,
// the containers that draw on it.
class RunMemory {
protected:
    RunArena& runMemory() { return arena_; }
    void releaseRunMemory() { arena_.rewind(); }

private:
    RunArena arena_;
};

}  // namespace Tessel
