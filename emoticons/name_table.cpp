// SPDX-License-Identifier: MIT
#include "emoticons/name_table.h"

#include <cstring>
#include <limits>

#include "base/byte_hash.h"

namespace Tessel {

NameTable::NameTable(const Names& names)
    : size_(names.size()),
      first_(names.empty() ? nullptr : &*names.begin()),
      last_(names.empty() ? nullptr : &*names.rbegin())
{
    std::size_t bytes = 0;
    for (const auto& entry : names)
        bytes += entry.first.size();
    // Offsets, lengths and indexes are 32-bit: a larger table stays empty
    // and never follows its map, whose look-ups are then made in the map.
    if (bytes > std::numeric_limits<std::uint32_t>::max() ||
        names.size() >= std::numeric_limits<std::uint32_t>::max() / 2) {
        size_ = ~std::size_t(0);
        return;
    }
    names_.reserve(bytes);
    entries_.reserve(names.size());
    // At most two thirds of the slots are taken.
    std::size_t slots = 16;
    while (2 * slots < 3 * names.size())
        slots *= 2;
    slots_.assign(slots, 0);
    mask_ = slots - 1;
    for (const auto& entry : names) {
        std::size_t i = hashBytes(entry.first) & mask_;
        while (slots_[i])
            i = (i + 1) & mask_;
        entries_.push_back(Entry{static_cast<std::uint32_t>(names_.size()),
                                 static_cast<std::uint32_t>(entry.first.size()), entry.second});
        slots_[i] = static_cast<std::uint32_t>(entries_.size());
        names_ += entry.first;
    }
}

EMOSTRUCT* NameTable::find(std::string_view name) const
{
    if (slots_.empty())
        return nullptr;
    for (std::size_t i = hashBytes(name) & mask_; slots_[i]; i = (i + 1) & mask_) {
        const Entry& entry = entries_[slots_[i] - 1];
        if (entry.length == name.size() &&
            std::memcmp(names_.data() + entry.at, name.data(), name.size()) == 0)
            return entry.record;
    }
    return nullptr;
}

}  // namespace Tessel
