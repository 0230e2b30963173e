#include "html/image_key_cache.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "html/md5.h"

namespace Tessel {

namespace {

constexpr std::size_t SlotCount = 512;
constexpr std::size_t MaxSource = 94;  // a slot is then 128 bytes
constexpr std::size_t KeyLength = 32;

// A source and its key; length 0 with `used` false is an empty slot.
struct Slot {
    std::uint8_t length;
    bool used;
    char key[KeyLength];
    char source[MaxSource];
};

Slot slots[SlotCount];
std::atomic_flag busy = ATOMIC_FLAG_INIT;

std::size_t slotOf(const std::string& source)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : source)
        hash = (hash ^ c) * 16777619u;
    return (hash ^ (hash >> 16)) & (SlotCount - 1);
}

}  // namespace

std::string cachedImageKey(const std::string& source)
{
    if (source.size() > MaxSource || busy.test_and_set(std::memory_order_acquire))
        return imageKey(source);

    Slot& slot = slots[slotOf(source)];
    std::string key;
    if (slot.used && slot.length == source.size() &&
        std::memcmp(slot.source, source.data(), source.size()) == 0) {
        key.assign(slot.key, KeyLength);
    } else {
        key = imageKey(source);
        slot.used = true;
        slot.length = static_cast<std::uint8_t>(source.size());
        std::memcpy(slot.source, source.data(), source.size());
        std::memcpy(slot.key, key.data(), KeyLength);
    }
    busy.clear(std::memory_order_release);
    return key;
}

}  // namespace Tessel
