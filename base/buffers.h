// SPDX-License-Identifier: MIT
// The memory that long-lived buffers keep between messages.
#pragma once

#include <cstddef>

#include "base/hot.h"

namespace Tessel {

// A buffer kept from one message to the next is released once a message has
// made it larger than this, so that one large message does not hold its
// memory for as long as the parser lives.
constexpr std::size_t KeptBufferBytes = 64 * 1024;

// Empties buffer (a string or vector), giving its memory back when it has
// grown past KeptBufferBytes. In line: it runs at the start of every
// conversion, mostly on buffers that are small or empty.
template <class Buffer>
TESSEL_IN_LINE void clearKeepingLittle(Buffer& buffer)
{
    if (buffer.capacity() * sizeof(typename Buffer::value_type) > KeptBufferBytes)
        Buffer().swap(buffer);
    else
        buffer.clear();
}

}  // namespace Tessel
