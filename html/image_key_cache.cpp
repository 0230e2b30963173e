// SPDX-License-Identifier: MIT
#include "html/image_key_cache.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/byte_hash.h"
#include "html/md5.h"

namespace Tessel {

namespace {

constexpr std::size_t SlotCount = 2048;
constexpr std::size_t KeyLength = sizeof ImageKey::digits;
// Sources up to this long are remembered: emoticon resources such as
// ":/Res/FaceMgr/em/123.png" fit, and a slot is one 64-byte cache line.
constexpr std::size_t MaxSource = 31;

struct Slot {
    std::uint8_t stored;  // the source's length plus one; 0 for an empty slot
    char key[KeyLength];
    char source[MaxSource];
};
static_assert(sizeof(Slot) == 64);

Slot slots[SlotCount];
std::atomic_flag busy = ATOMIC_FLAG_INIT;

std::size_t slotOf(std::string_view source)
{
    return static_cast<std::size_t>(hashBytes(source)) & (SlotCount - 1);
}

}  // namespace

ImageKey cachedImageKey(std::string_view source)
{
    ImageKey key;
    if (source.size() > MaxSource || busy.test_and_set(std::memory_order_acquire)) {
        writeImageKey(source.data(), source.size(), key.digits);
        return key;
    }

    Slot& slot = slots[slotOf(source)];
    if (slot.stored == source.size() + 1 && std::memcmp(slot.source, source.data(), source.size()) == 0) {
        std::memcpy(key.digits, slot.key, KeyLength);
    } else {
        writeImageKey(source.data(), source.size(), key.digits);
        slot.stored = static_cast<std::uint8_t>(source.size() + 1);
        std::memcpy(slot.source, source.data(), source.size());
        std::memcpy(slot.key, key.digits, KeyLength);
    }
    busy.clear(std::memory_order_release);
    return key;
}

}  // namespace Tessel
