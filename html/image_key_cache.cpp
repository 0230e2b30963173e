#include "html/image_key_cache.h"

#include <atomic>
#include <cstdint>
#include <cstring>

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

inline std::uint64_t load64(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline std::uint64_t mix(std::uint64_t hash, std::uint64_t word)
{
    hash = (hash ^ word) * 0x9e3779b97f4a7c15u;
    return hash ^ (hash >> 29);
}

// Eight bytes at a time; the last word overlaps the one before it.
std::size_t slotOf(std::string_view source)
{
    const char* p = source.data();
    const std::size_t n = source.size();
    std::uint64_t hash = n;
    if (n >= 8) {
        for (std::size_t at = 0; at + 8 <= n; at += 8)
            hash = mix(hash, load64(p + at));
        hash = mix(hash, load64(p + n - 8));
    } else {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < n; ++i)
            word = (word << 8) | static_cast<unsigned char>(p[i]);
        hash = mix(hash, word);
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32)) & (SlotCount - 1);
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
