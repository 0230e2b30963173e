// SPDX-License-Identifier: MIT
// Heap accounting for the memory benchmark: the program that links
// counting_allocator.cpp replaces the global operator new and delete with
// versions that keep the bytes in use and their peak.
#pragma once

#include <cstddef>

namespace benchsupport {

std::size_t heapInUse();
std::size_t heapPeak();
// Starts a new peak from the bytes in use now.
void resetHeapPeak();

}  // namespace benchsupport
