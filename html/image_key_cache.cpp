// SPDX-License-Identifier: MIT
#include "html/image_key_cache.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/byte_hash.h"
#include "html/md5.h"

namespace Tessel {

namespace {

constexpr std::size_t KeyLength = sizeof ImageKey::digits;

// A remembered source and its key, in one or more whole cache lines.
template <class Stored, std::size_t Bytes>
struct Slot {
    static constexpr std::size_t MaxSource = Bytes - sizeof(Stored) - KeyLength;
    Stored stored;  // the source's length plus one; 0 for an empty slot
    char key[KeyLength];
    char source[MaxSource];
};

// Emoticon resources such as ":/Res/FaceMgr/em/123.png" fit a slot of one
// 64-byte cache line. The paths of local pictures, shown again as a chat's
// history is, go to a smaller table of 256-byte slots.
using ShortSlot = Slot<std::uint8_t, 64>;
using LongSlot = Slot<std::uint8_t, 256>;
static_assert(sizeof(ShortSlot) == 64 && sizeof(LongSlot) == 256);

ShortSlot shortSlots[2048];
LongSlot longSlots[64];
std::atomic_flag busy = ATOMIC_FLAG_INIT;

// The key of source from its slot in the table, digested and remembered
// there when the slot holds another source. The caller holds busy.
template <class SlotType, std::size_t Count>
void lookUp(SlotType (&slots)[Count], std::string_view source, char* key)
{
    static_assert((Count & (Count - 1)) == 0, "a slot is picked by the low bits of the hash");
    SlotType& slot = slots[static_cast<std::size_t>(hashBytes(source)) & (Count - 1)];
    if (slot.stored == source.size() + 1 && std::memcmp(slot.source, source.data(), source.size()) == 0) {
        std::memcpy(key, slot.key, KeyLength);
        return;
    }
    writeImageKey(source.data(), source.size(), key);
    slot.stored = static_cast<decltype(slot.stored)>(source.size() + 1);
    std::memcpy(slot.source, source.data(), source.size());
    std::memcpy(slot.key, key, KeyLength);
}

}  // namespace

ImageKey cachedImageKey(std::string_view source)
{
    ImageKey key;
    if (source.size() > LongSlot::MaxSource || busy.test_and_set(std::memory_order_acquire)) {
        writeImageKey(source.data(), source.size(), key.digits);
        return key;
    }
    if (source.size() <= ShortSlot::MaxSource)
        lookUp(shortSlots, source, key.digits);
    else
        lookUp(longSlots, source, key.digits);
    busy.clear(std::memory_order_release);
    return key;
}

}  // namespace Tessel
