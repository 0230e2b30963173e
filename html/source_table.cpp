// SPDX-License-Identifier: MIT
#include "html/source_table.h"

namespace Tessel {

TESSEL_HOT SourceTable::Picture& SourceTable::insert(std::string_view source, std::string_view path)
{
    const Picture picture{path, 0, 0, 0};
    if (count_ < Few) {
        few_[count_] = Entry{picture, source.data(), source.size(), 0};
        return few_[count_++].picture;
    }
    auto* entry = static_cast<Entry*>(memory_.allocate(sizeof(Entry), alignof(Entry)));
    *entry = Entry{picture, source.data(), source.size(), hashBytes(source)};
    ++count_;
    // At most half the slots are taken, so that a look-up seldom goes past
    // its first slot.
    if (!slots_ || count_ > (slotMask_ + 1) / 2)
        grow();
    place(entry);
    return entry->picture;
}

void SourceTable::place(Entry* entry)
{
    std::size_t i = entry->hash & slotMask_;
    while (slots_[i])
        i = (i + 1) & slotMask_;
    slots_[i] = entry;
}

void SourceTable::grow()
{
    Entry** const old = slots_;
    const std::size_t oldSlots = old ? slotMask_ + 1 : 0;
    const std::size_t slots = old ? 2 * oldSlots : 4 * Few;
    slots_ = static_cast<Entry**>(memory_.allocate(slots * sizeof(Entry*), alignof(Entry*)));
    std::memset(slots_, 0, slots * sizeof(Entry*));
    slotMask_ = slots - 1;
    if (old) {
        for (std::size_t i = 0; i < oldSlots; ++i) {
            if (old[i])
                place(old[i]);
        }
        return;
    }
    // The few move in: they stay where they are, the slots point at them.
    for (std::size_t i = 0; i < Few; ++i) {
        few_[i].hash = hashBytes(std::string_view(few_[i].source, few_[i].sourceLength));
        place(&few_[i]);
    }
}

}  // namespace Tessel
