// SPDX-License-Identifier: MIT
#include "platform/http_session.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Tessel {
namespace Platform {

namespace {

// Received bytes kept per request before the transfer is paused; it goes on
// once the reader has taken the buffer down to half of it.
constexpr std::size_t bodyLimit = 256 * 1024;
constexpr int pollMilliseconds = 1000;
constexpr std::size_t receiveBufferSize = 64 * 1024;

DWORD errorFor(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return 0;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_WEIRD_SERVER_REPLY:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

bool startsWithNoCase(const char* text, std::size_t length, const char* prefix)
{
    std::size_t n = std::strlen(prefix);
    if (length < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* request = static_cast<Request*>(user);
    request->session->headerLine(*request, data, size * count);
    return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* request = static_cast<Request*>(user);
    return request->session->bodyData(*request, data, size * count);
}

int onCloseSocket(void* user, curl_socket_t socket)
{
    static_cast<Session*>(user)->socketClosed(socket);
    return close(socket);
}

}  // namespace

HandleTable<InternetObject>& internetHandles()
{
    // Never destroyed: handles may still be closed while the process exits.
    static auto* table = new HandleTable<InternetObject>;
    return *table;
}

Request::~Request()
{
    if (easy)
        curl_easy_cleanup(easy);
    curl_slist_free_all(headerList);
}

Session::~Session()
{
    if (multi)
        curl_multi_cleanup(multi);
}

HINTERNET Session::open(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass)
{
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    auto session = std::make_shared<Session>();
    session->agent = agent ? agent : "";
    session->accessType = accessType;
    session->proxy = proxy ? proxy : "";
    // WinINet separates bypass entries by spaces or semicolons, curl by commas.
    session->proxyBypass = proxyBypass ? proxyBypass : "";
    std::replace(session->proxyBypass.begin(), session->proxyBypass.end(), ';', ',');
    std::replace(session->proxyBypass.begin(), session->proxyBypass.end(), ' ', ',');
    session->multi = curl_multi_init();
    if (!session->multi) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return nullptr;
    }
    {
        // The worker must not run before the handle is known.
        std::lock_guard<std::mutex> lock(session->mutex);
        session->handle = internetHandles().add(session);
        try {
            session->worker = std::thread([self = session] { self->run(); });
        } catch (const std::system_error&) {
            internetHandles().remove(session->handle);
            SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
            return nullptr;
        }
        session->workerId = session->worker.get_id();
    }
    return session->handle;
}

HINTERNET Session::connect(LPCSTR host, INTERNET_PORT port, DWORD_PTR context)
{
    auto connection = std::make_shared<Connection>();
    connection->session = std::static_pointer_cast<Session>(shared_from_this());
    connection->host = host ? host : "";
    connection->port = port ? port : INTERNET_DEFAULT_HTTP_PORT;
    connection->context = context;
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    connection->callback = callback;
    connection->handle = internetHandles().add(connection);
    connections.push_back(connection);
    return connection->handle;
}

HINTERNET Session::openRequest(Connection& connection, LPCSTR path, LPCSTR referrer,
                               LPCSTR* acceptTypes, DWORD_PTR context)
{
    auto request = std::make_shared<Request>();
    request->session = std::static_pointer_cast<Session>(shared_from_this());
    request->connection = &connection;
    request->context = context;
    request->port = connection.port;
    std::string object = path && *path ? path : "/";
    request->url = "http://" + connection.host + (object[0] == '/' ? "" : "/") + object;
    if (acceptTypes && *acceptTypes) {
        std::string accept = "Accept: ";
        for (LPCSTR* type = acceptTypes; *type; ++type)
            accept += (type == acceptTypes ? "" : ", ") + std::string(*type);
        request->headers.push_back(accept);
    }
    if (referrer && *referrer)
        request->headers.push_back(std::string("Referer: ") + referrer);
    request->easy = curl_easy_init();
    if (!request->easy) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping || connection.closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    request->callback = connection.callback;
    request->handle = internetHandles().add(request);
    request->body.swap(spareBody);
    requests.push_back(request);
    return request->handle;
}

bool Session::configure(Request& request)
{
    CURL* easy = request.easy;
    for (const std::string& line : request.headers) {
        curl_slist* list = curl_slist_append(request.headerList, line.c_str());
        if (!list)
            return false;
        request.headerList = list;
    }
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) == CURLE_OK;
    // The port comes from the connection, whatever the host text says.
    curl_easy_setopt(easy, CURLOPT_PORT, long(request.port));
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Large reads from the socket: a picture arrives in a few pieces, not in
    // one per 16 KB, each with its system calls and its hand-over.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(receiveBufferSize));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.headerList);
    if (!agent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    if (accessType == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
    } else if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, proxyBypass.c_str());
    }  // otherwise curl takes the proxy from the environment
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    // Kept connections outlive the request: their sockets report to the session.
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    return ok;
}

BOOL Session::send(const std::shared_ptr<Request>& request)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (request->closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (request->phase != Request::created) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return 0;
    }
    if (!configure(*request)) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return 0;
    }
    request->phase = Request::sending;
    request->pending = Request::sendStep;
    toStart.push_back(request);
    wake();
    SetLastError(ERROR_IO_PENDING);
    return 0;
}

BOOL Session::read(const std::shared_ptr<Request>& request, INTERNET_BUFFERSA* buffers,
                   DWORD_PTR context)
{
    std::lock_guard<std::mutex> lock(mutex);
    Request& r = *request;
    if (r.closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (r.phase == Request::created || r.phase == Request::sending || r.pending != Request::noStep) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return 0;
    }
    // What has arrived is read at once, even when it is less than asked for.
    if (r.unread() > 0) {
        takeBuffered(r, *buffers);
        return 1;
    }
    if (r.phase == Request::finished) {
        buffers->dwBufferLength = 0;
        if (r.error) {
            SetLastError(r.error);
            return 0;
        }
        return 1;
    }
    r.pending = Request::readStep;
    r.readTarget = buffers;
    r.readContext = context;
    SetLastError(ERROR_IO_PENDING);
    return 0;
}

INTERNET_STATUS_CALLBACK Session::setCallback(InternetObject& object,
                                              INTERNET_STATUS_CALLBACK newCallback)
{
    std::lock_guard<std::mutex> lock(mutex);
    INTERNET_STATUS_CALLBACK previous = object.callback;
    object.callback = newCallback;
    return previous;
}

void Session::close(InternetObject& object)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (object.closed)
        return;
    object.closed = true;
    if (object.kind == connectionKind) {
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                         [&](const auto& c) { return c.get() == &object; }),
                          connections.end());
    }
    auto doomed = std::stable_partition(requests.begin(), requests.end(), [&](const auto& r) {
        return r.get() != &object && r->connection != &object;
    });
    for (auto it = doomed; it != requests.end(); ++it) {
        internetHandles().remove((*it)->handle);
        retire(*it);
    }
    requests.erase(doomed, requests.end());
    wake();
    waitForCallbacks(lock);
}

void Session::shutdown()
{
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (stopping)
            return;
        stopping = true;
        closed = true;
        for (const auto& connection : connections) {
            connection->closed = true;
            internetHandles().remove(connection->handle);
        }
        connections.clear();
        for (const auto& request : requests) {
            internetHandles().remove(request->handle);
            retire(request);
        }
        requests.clear();
        wake();
        waitForCallbacks(lock);
    }
    // The worker may close its own root from a status callback: it then
    // cannot wait for itself and finishes on its own.
    if (std::this_thread::get_id() == workerId)
        worker.detach();
    else
        worker.join();
}

void Session::retire(const std::shared_ptr<Request>& request)
{
    request->closed = true;
    request->pending = Request::noStep;
    request->readTarget = nullptr;
    toRetire.push_back(request);
}

void Session::waitForCallbacks(std::unique_lock<std::mutex>& lock)
{
    if (std::this_thread::get_id() == workerId)
        return;
    callbackReturned.wait(lock, [this] { return !delivering || !delivering->closed; });
}

void Session::wake()
{
    if (multi)
        curl_multi_wakeup(multi);
}

void Session::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        startQueued(lock);
        int running = 0;
        // curl's callbacks take the mutex themselves, so that a caller can
        // read what has arrived while curl reads on.
        lock.unlock();
        curl_multi_perform(multi, &running);
        lock.lock();
        // curl has nothing more for now: pending reads take what there is.
        for (const auto& entry : active) {
            Request& request = *entry.second;
            if (request.pending == Request::readStep && request.unread() > 0)
                fillPendingRead(request);
        }
        collectFinished();
        deliverCompletions(lock);
        if (stopping)
            break;
        lock.unlock();
        curl_multi_poll(multi, nullptr, 0, pollMilliseconds, nullptr);
        lock.lock();
    }
    stopTransfers();
}

void Session::startQueued(std::unique_lock<std::mutex>& lock)
{
    dropRetired();
    if (!toStart.empty())
        dropStaleConnections();
    for (const auto& request : toStart) {
        if (request->closed)
            continue;
        if (curl_multi_add_handle(multi, request->easy) == CURLM_OK)
            active.emplace(request->easy, request);
        else
            transferDone(*request, CURLE_FAILED_INIT);
    }
    toStart.clear();
    std::vector<std::shared_ptr<Request>> resumed;
    for (const auto& request : toResume) {
        if (request->closed || !request->paused || !active.count(request->easy))
            continue;
        request->paused = false;
        resumed.push_back(request);
    }
    toResume.clear();
    // Resuming may hand curl's held data to bodyData at once, which takes
    // the mutex. Only the worker drops an easy handle, so each stays valid.
    if (!resumed.empty()) {
        lock.unlock();
        for (const auto& request : resumed)
            curl_easy_pause(request->easy, CURLPAUSE_CONT);
        lock.lock();
    }
}

void Session::collectFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        CURLcode result = message->data.result;
        auto it = active.find(easy);
        if (it == active.end())
            continue;
        std::shared_ptr<Request> request = std::move(it->second);
        active.erase(it);
        // A connection still open stays in the multi handle's cache for the
        // next request.
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
            socket != CURL_SOCKET_BAD)
            keptSockets.insert(socket);
        curl_multi_remove_handle(multi, easy);
        transferDone(*request, result);
    }
}

void Session::deliverCompletions(std::unique_lock<std::mutex>& lock)
{
    while (!completions.empty()) {
        Completion completion = std::move(completions.front());
        completions.pop_front();
        const Request& request = *completion.request;
        INTERNET_STATUS_CALLBACK notify = request.callback;
        if (request.closed || !notify || notify == INTERNET_INVALID_STATUS_CALLBACK)
            continue;
        delivering = &request;
        lock.unlock();
        INTERNET_ASYNC_RESULT result = {completion.error ? 0u : 1u, completion.error};
        notify(request.handle, completion.context, INTERNET_STATUS_REQUEST_COMPLETE, &result,
               sizeof result);
        lock.lock();
        delivering = nullptr;
        callbackReturned.notify_all();
    }
}

void Session::dropRetired()
{
    for (const auto& request : toRetire) {
        if (active.erase(request->easy))
            curl_multi_remove_handle(multi, request->easy);
        curl_easy_cleanup(request->easy);
        request->easy = nullptr;
        // The next request takes over its body buffer, with its room.
        if (request->body.capacity() > spareBody.capacity()) {
            request->body.clear();
            request->bodyOffset = 0;
            spareBody.swap(request->body);
        }
    }
    toRetire.clear();
}

// Bytes that arrive on a kept connection while no request uses it answer
// nothing: the rest of a body longer than announced, or the server's close.
// Such a connection must not carry the next request, where those bytes would
// pass for its answer. Shutting it down makes curl discard it (or, should it
// try it all the same, fail at once and retry on a fresh connection). This
// is decided only while no transfer runs, as a running one may have taken
// any kept connection.
void Session::dropStaleConnections()
{
    if (!active.empty())
        return;
    for (curl_socket_t socket : keptSockets) {
        pollfd waiting = {socket, POLLIN, 0};
        if (poll(&waiting, 1, 0) > 0)
            ::shutdown(socket, SHUT_RDWR);
    }
}

void Session::socketClosed(curl_socket_t socket)
{
    keptSockets.erase(socket);
}

void Session::stopTransfers()
{
    dropRetired();
    for (const auto& entry : active)
        curl_multi_remove_handle(multi, entry.first);
    active.clear();
    toStart.clear();
    toResume.clear();
    completions.clear();
    curl_multi_cleanup(multi);
    multi = nullptr;
}

void Session::headerLine(Request& request, const char* line, std::size_t length)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (startsWithNoCase(line, length, "http/")) {
        const char* space = static_cast<const char*>(std::memchr(line, ' ', length));
        request.status = space ? std::strtol(space + 1, nullptr, 10) : 0;
        request.hasLocation = false;
    } else if (startsWithNoCase(line, length, "location:")) {
        request.hasLocation = true;
    } else if (length <= 2 && (length == 0 || line[0] == '\r' || line[0] == '\n')) {
        // End of one response's headers. Interim responses and redirects that
        // curl follows are not the answer yet.
        long s = request.status;
        bool followed = request.hasLocation &&
                        (s == 301 || s == 302 || s == 303 || s == 307 || s == 308);
        if (s >= 200 && !followed)
            headersArrived(request);
    }
    deliverCompletions(lock);
}

std::size_t Session::bodyData(Request& request, const char* data, std::size_t length)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (request.closed)
        return 0;  // nobody reads any more: abort the transfer
    headersArrived(request);
    if (request.pending != Request::readStep && request.unread() >= bodyLimit) {
        request.paused = true;
        deliverCompletions(lock);
        return CURL_WRITEFUNC_PAUSE;
    }
    if (request.bodyOffset > 0 && request.bodyOffset >= request.body.size() / 2) {
        request.body.erase(request.body.begin(), request.body.begin() + request.bodyOffset);
        request.bodyOffset = 0;
    }
    // Room for as much as is kept before pausing and one more piece, taken
    // once per session: the buffer goes from request to request.
    if (request.body.capacity() < bodyLimit + receiveBufferSize)
        request.body.reserve(bodyLimit + receiveBufferSize);
    request.body.insert(request.body.end(), data, data + length);
    // A pending read completes once it can be filled, rather than with each
    // piece curl hands over; with less when curl has nothing more for now or
    // the body ends. Each completion wakes the reader.
    if (request.pending == Request::readStep && request.unread() >= request.readTarget->dwBufferLength)
        fillPendingRead(request);
    deliverCompletions(lock);
    return length;
}

void Session::takeBuffered(Request& request, INTERNET_BUFFERSA& target)
{
    const std::size_t length = std::min<std::size_t>(request.unread(), target.dwBufferLength);
    std::memcpy(target.lpvBuffer, request.body.data() + request.bodyOffset, length);
    target.dwBufferLength = static_cast<DWORD>(length);
    request.bodyOffset += length;
    if (request.bodyOffset == request.body.size()) {
        request.body.clear();
        request.bodyOffset = 0;
    }
    if (request.paused && request.unread() <= bodyLimit / 2) {
        toResume.push_back(std::static_pointer_cast<Request>(request.shared_from_this()));
        wake();
    }
}

void Session::fillPendingRead(Request& request)
{
    takeBuffered(request, *request.readTarget);
    request.pending = Request::noStep;
    request.readTarget = nullptr;
    complete(request, request.readContext, 0);
}

void Session::headersArrived(Request& request)
{
    if (request.phase != Request::sending)
        return;
    request.phase = Request::receiving;
    if (request.pending == Request::sendStep) {
        request.pending = Request::noStep;
        complete(request, request.context, 0);
    }
}

void Session::transferDone(Request& request, CURLcode result)
{
    if (result == CURLE_OK)
        headersArrived(request);
    request.phase = Request::finished;
    request.error = errorFor(result);
    if (request.pending == Request::sendStep) {
        complete(request, request.context, request.error);
    } else if (request.pending == Request::readStep && request.unread() > 0) {
        // What is left is read first; the next read ends the body.
        fillPendingRead(request);
    } else if (request.pending == Request::readStep) {
        request.readTarget->dwBufferLength = 0;
        request.readTarget = nullptr;
        complete(request, request.readContext, request.error);
    }
    request.pending = Request::noStep;
}

void Session::complete(Request& request, DWORD_PTR context, DWORD error)
{
    completions.push_back({std::static_pointer_cast<Request>(request.shared_from_this()),
                           context, error});
}

}  // namespace Platform
}  // namespace Tessel
