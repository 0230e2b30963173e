// SPDX-License-Identifier: MIT
// Marks the functions that converting a chat message runs through on its
// common path. The compiler places them side by side, so that the code of a
// conversion sits on a few pages instead of being spread over the library:
// fewer pages to find again after a system call, such as a file test, has
// flushed the processor's caches of them.
#pragma once

#if defined(__GNUC__)
#define TESSEL_HOT __attribute__((hot))
#else
#define TESSEL_HOT
#endif

// A step of a hot loop that is its own function for the reader's sake: the
// compiler puts it back in line, so that the loop pays no call for it.
#if defined(__GNUC__)
#define TESSEL_IN_LINE inline __attribute__((always_inline))
#else
#define TESSEL_IN_LINE inline
#endif
