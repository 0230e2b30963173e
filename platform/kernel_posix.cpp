// SPDX-License-Identifier: MIT
// Kernel events and the per-thread last error, for systems without Windows.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/handle_table.h"
#include "platform/wininet.h"

namespace Tessel {

namespace {

struct Event {
    std::mutex mutex;
    std::condition_variable signalled;
    bool manualReset = false;
    bool state = false;
};

// Never destroyed: a handle may still be closed while the process exits.
Platform::HandleTable<Event>& events()
{
    static auto* table = new Platform::HandleTable<Event>;
    return *table;
}

thread_local DWORD lastError = 0;

}  // namespace

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD error)
{
    lastError = error;
}

HANDLE CreateEventW(LPVOID, BOOL manualReset, BOOL initialState, const wchar_t* name)
{
    if (name) {
        // Named events are shared between processes; nothing here needs them.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto event = std::make_shared<Event>();
    event->manualReset = manualReset != 0;
    event->state = initialState != 0;
    return events().add(std::move(event));
}

namespace {

// The event behind handle; null, with the error set, for any other handle.
std::shared_ptr<Event> eventOf(HANDLE handle)
{
    std::shared_ptr<Event> event = events().find(handle);
    if (!event)
        SetLastError(ERROR_INVALID_HANDLE);
    return event;
}

}  // namespace

BOOL SetEvent(HANDLE handle)
{
    std::shared_ptr<Event> event = eventOf(handle);
    if (!event)
        return 0;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->state = true;
    if (event->manualReset)
        event->signalled.notify_all();
    else
        event->signalled.notify_one();
    return 1;
}

BOOL ResetEvent(HANDLE handle)
{
    std::shared_ptr<Event> event = eventOf(handle);
    if (!event)
        return 0;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->state = false;
    return 1;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    std::shared_ptr<Event> event = eventOf(handle);
    if (!event)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(event->mutex);
    auto isSet = [&] { return event->state; };
    if (milliseconds == INFINITE)
        event->signalled.wait(lock, isSet);
    else if (!event->signalled.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet))
        return WAIT_TIMEOUT;
    if (!event->manualReset)
        event->state = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle)
{
    if (!events().remove(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

}  // namespace Tessel
