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
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;

protected:
    RunMemory() = default;
    ~RunMemory() = default;

    std::pmr::memory_resource* runMemory() { return &resource_; }
    // Only once every container drawing on it has been emptied.
    void releaseRunMemory() { resource_.release(); }

private:
    // Room for about eight distinct pictures: most messages never reach the heap.
    alignas(std::max_align_t) unsigned char buffer_[1536];
    std::pmr::monotonic_buffer_resource resource_{buffer_, sizeof buffer_};
};

}  // namespace Tessel
