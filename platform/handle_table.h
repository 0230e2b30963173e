// SPDX-License-Identifier: MIT
// Maps the opaque handle values given out by the stand-in to the objects
// behind them. Values are never reused, so a closed or foreign handle is
// refused instead of reaching freed memory, and whoever looked an object up
// keeps it alive while using it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace Tessel {
namespace Platform {

template <class T>
class HandleTable {
public:
    void* add(std::shared_ptr<T> object)
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::uintptr_t value = ++lastValue;
        objects.emplace(value, std::move(object));
        return reinterpret_cast<void*>(value);
    }

    std::shared_ptr<T> find(void* handle)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == objects.end() ? nullptr : it->second;
    }

    std::shared_ptr<T> remove(void* handle)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == objects.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(it->second);
        objects.erase(it);
        return object;
    }

private:
    std::mutex mutex;
    // Starts high so that small integers never pass for handles.
    std::uintptr_t lastValue = 0x1000;
    std::unordered_map<std::uintptr_t, std::shared_ptr<T>> objects;
};

}  // namespace Platform
}  // namespace Tessel
