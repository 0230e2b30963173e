// Memory for what a parser remembers during one run (image keys and paths,
// emoticon ids). It comes from a buffer inside the parser, and from the heap
// only for messages with many pictures, and is given back all at once at the
// end of the run rather than entry by entry.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace Tessel {

class RunMemory {
public:
    RunMemory() = default;
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;

    std::pmr::memory_resource* runMemory() { return &arena_; }
    // Starts again from the empty buffer, provided every container drawing
    // on the memory has given back what it held; else keeps everything.
    void releaseRunMemory() { arena_.rewind(); }

private:
    class Arena : public std::pmr::memory_resource {
    public:
        void rewind()
        {
            if (live_ == 0)
                pool_.release();
        }

    private:
        void* do_allocate(std::size_t bytes, std::size_t alignment) override
        {
            void* block = pool_.allocate(bytes, alignment);
            ++live_;
            return block;
        }
        // Blocks are reclaimed together by rewind.
        void do_deallocate(void*, std::size_t, std::size_t) override { --live_; }
        bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override
        {
            return this == &other;
        }

        // Room for about eight distinct pictures: most messages never reach the heap.
        alignas(std::max_align_t) unsigned char buffer_[1536];
        std::pmr::monotonic_buffer_resource pool_{buffer_, sizeof buffer_};
        std::size_t live_ = 0;
    };

    Arena arena_;
};

}  // namespace Tessel
