// SPDX-License-Identifier: MIT
#include "RequestQueue.h"

#include <utility>

namespace TesselQt {

RequestQueue::RequestQueue() : worker([this] { run(); }) {}

RequestQueue::~RequestQueue()
{
    stop();
}

quint64 RequestQueue::push(Task task)
{
    std::lock_guard<std::mutex> lock(mutex);
    entries.push_back({++lastId, std::move(task)});
    wake.notify_one();
    return lastId;
}

void RequestQueue::pushSetting(std::function<void()> task)
{
    std::lock_guard<std::mutex> lock(mutex);
    entries.push_back({0, [task = std::move(task)](quint64) { task(); }});
    wake.notify_one();
}

QList<quint64> RequestQueue::cancel()
{
    QList<quint64> dropped;
    std::deque<Entry> kept;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Entry& entry : entries)
            if (entry.id)
                dropped.append(entry.id);
            else
                kept.push_back(std::move(entry));
        entries.swap(kept);
    }
    // The dropped tasks (and what they captured) are destroyed here, outside
    // the lock.
    return dropped;
}

void RequestQueue::stop()
{
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        dropped.swap(entries);
        wake.notify_one();
    }
    if (worker.joinable())
        worker.join();
}

void RequestQueue::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !entries.empty(); });
        if (stopping)
            return;
        Entry entry = std::move(entries.front());
        entries.pop_front();
        lock.unlock();
        entry.task(entry.id);
        entry.task = nullptr;  // what the task captured goes before the lock is taken again
        lock.lock();
    }
}

}  // namespace TesselQt
