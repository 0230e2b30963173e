// SPDX-License-Identifier: MIT
#include "support/counting_allocator.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void* counted(void* p)
{
    if (!p)
        throw std::bad_alloc();
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now))
        ;
    return p;
}

void release(void* p) noexcept
{
    if (p) {
        inUse -= malloc_usable_size(p);
        std::free(p);
    }
}

void* alignedAlloc(std::size_t size, std::align_val_t alignment)
{
    const std::size_t align = static_cast<std::size_t>(alignment);
    return std::aligned_alloc(align, (size + align - 1) / align * align);
}

}  // namespace

namespace benchsupport {

std::size_t heapInUse()
{
    return inUse.load();
}

std::size_t heapPeak()
{
    return peak.load();
}

void resetHeapPeak()
{
    peak.store(inUse.load());
}

}  // namespace benchsupport

// Every replaceable form; a zero-byte request still gets a distinct block.
void* operator new(std::size_t size) { return counted(std::malloc(size ? size : 1)); }
void* operator new[](std::size_t size) { return counted(std::malloc(size ? size : 1)); }
void* operator new(std::size_t size, std::align_val_t a) { return counted(alignedAlloc(size ? size : 1, a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return counted(alignedAlloc(size ? size : 1, a)); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
