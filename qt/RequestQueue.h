// SPDX-License-Identifier: MIT
// A worker thread that runs queued tasks one at a time, in queue order.
// Tasks with a request id can be dropped before they start; tasks without
// one (settings) always run unless the queue stops.
#pragma once

#include <QList>
#include <QtGlobal>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace TesselQt {

class RequestQueue {
public:
    using Task = std::function<void(quint64 id)>;

    RequestQueue();
    ~RequestQueue();  // stop()
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    // Queues a request under a new id (1, 2, ...) and returns the id.
    quint64 push(Task task);
    // Queues a task that is no request: cancel() keeps it.
    void pushSetting(std::function<void()> task);
    // Drops the requests that have not started; their ids in queue order.
    QList<quint64> cancel();
    // Drops everything that has not started, waits for the running task and
    // ends the thread. Idempotent.
    void stop();

private:
    struct Entry {
        quint64 id;  // 0 for a setting
        Task task;
    };

    void run();

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Entry> entries;
    quint64 lastId = 0;
    bool stopping = false;
    std::thread worker;
};

}  // namespace TesselQt
