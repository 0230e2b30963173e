// SPDX-License-Identifier: MIT
// The objects behind the stand-in's internet handles. A Session is a root
// handle: it owns a curl multi handle (and so the cache of open connections)
// and one worker thread that drives every transfer and delivers every
// completion. Connections name a host; requests carry one GET transfer each.
//
// Locking: one mutex per session guards everything that the worker and the
// callers share; the worker lets go of it while curl transfers, and curl's
// callbacks take it. curl itself is only touched by the worker, apart from
// the setup of a request's easy handle before it is queued. The status callback
// is called without the mutex held; closing a request waits until a callback
// already running for it has returned, so that after InternetCloseHandle no
// callback for it runs and none of its caller's buffers is written.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <curl/curl.h>

#include "platform/handle_table.h"
#include "platform/wininet.h"

namespace Tessel {
namespace Platform {

class Session;

struct InternetObject : std::enable_shared_from_this<InternetObject> {
    enum Kind { rootKind, connectionKind, requestKind };

    explicit InternetObject(Kind kind) : kind(kind) {}
    virtual ~InternetObject() = default;

    const Kind kind;
    HINTERNET handle = nullptr;  // the value given out; set once at creation
    DWORD_PTR context = 0;
    // Guarded by the session's mutex.
    INTERNET_STATUS_CALLBACK callback = nullptr;
    bool closed = false;
};

struct Connection : InternetObject {
    Connection() : InternetObject(connectionKind) {}

    std::shared_ptr<Session> session;
    std::string host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};

struct Request : InternetObject {
    Request() : InternetObject(requestKind) {}
    ~Request() override;

    enum Phase { created, sending, receiving, finished };
    enum Pending { noStep, sendStep, readStep };

    std::shared_ptr<Session> session;
    const Connection* connection = nullptr;  // identity only, for closing with it
    std::string url;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    std::vector<std::string> headers;  // "Name: value" lines sent with the request
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;

    // Guarded by the session's mutex.
    Phase phase = created;
    Pending pending = noStep;
    INTERNET_BUFFERSA* readTarget = nullptr;
    DWORD_PTR readContext = 0;
    std::vector<char> body;  // received and not read yet, from bodyOffset on
    std::size_t bodyOffset = 0;
    bool paused = false;
    DWORD error = 0;  // why the transfer failed; 0 while it is fine

    // Worker only: the response whose header lines are arriving.
    long status = 0;
    bool hasLocation = false;

    std::size_t unread() const { return body.size() - bodyOffset; }
};

class Session : public InternetObject {
public:
    Session() : InternetObject(rootKind) {}
    ~Session() override;

    // Creates a session with its worker thread and registers its handle.
    static HINTERNET open(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass);

    HINTERNET connect(LPCSTR host, INTERNET_PORT port, DWORD_PTR context);
    HINTERNET openRequest(Connection& connection, LPCSTR path, LPCSTR referrer,
                          LPCSTR* acceptTypes, DWORD_PTR context);
    BOOL send(const std::shared_ptr<Request>& request);
    BOOL read(const std::shared_ptr<Request>& request, INTERNET_BUFFERSA* buffers,
              DWORD_PTR context);
    INTERNET_STATUS_CALLBACK setCallback(InternetObject& object, INTERNET_STATUS_CALLBACK callback);
    // Closes a connection or request handle and everything under it.
    void close(InternetObject& object);
    // Closes the root handle: cancels everything and stops the worker.
    void shutdown();

    // Called by curl on the worker thread; they take the mutex, which the
    // worker does not hold while curl reads. A step they complete is
    // delivered before they return: the caller works on a chunk, or takes
    // what is buffered, while curl goes on reading the next.
    void headerLine(Request& request, const char* line, std::size_t length);
    std::size_t bodyData(Request& request, const char* data, std::size_t length);
    // Called by curl on the worker thread whenever it closes a socket.
    void socketClosed(curl_socket_t socket);

private:
    struct Completion {
        std::shared_ptr<Request> request;
        DWORD_PTR context;
        DWORD error;
    };

    void run();
    void startQueued(std::unique_lock<std::mutex>& lock);
    void collectFinished();
    void deliverCompletions(std::unique_lock<std::mutex>& lock);
    void dropRetired();
    void dropStaleConnections();
    void stopTransfers();
    void headersArrived(Request& request);
    void transferDone(Request& request, CURLcode result);
    void complete(Request& request, DWORD_PTR context, DWORD error);
    // Copies what is buffered, up to the target's length, into it.
    void takeBuffered(Request& request, INTERNET_BUFFERSA& target);
    // Completes a pending read with what is buffered.
    void fillPendingRead(Request& request);
    void retire(const std::shared_ptr<Request>& request);
    void waitForCallbacks(std::unique_lock<std::mutex>& lock);
    void wake();
    bool configure(Request& request);

    std::string agent;
    DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    std::string proxyBypass;

    std::mutex mutex;
    std::condition_variable callbackReturned;
    std::thread worker;
    std::thread::id workerId;
    CURLM* multi = nullptr;
    bool stopping = false;
    std::vector<std::shared_ptr<Connection>> connections;
    std::vector<std::shared_ptr<Request>> requests;
    std::vector<std::shared_ptr<Request>> toStart;
    std::vector<std::shared_ptr<Request>> toResume;
    std::vector<std::shared_ptr<Request>> toRetire;
    std::unordered_map<CURL*, std::shared_ptr<Request>> active;
    // Worker only: sockets of the connections that curl keeps for reuse.
    std::set<curl_socket_t> keptSockets;
    std::deque<Completion> completions;
    // The body buffer of a dropped request, which the next request takes.
    std::vector<char> spareBody;
    const Request* delivering = nullptr;  // whose callback runs right now
};

// Every internet handle given out, whatever its kind.
HandleTable<InternetObject>& internetHandles();

}  // namespace Platform
}  // namespace Tessel
