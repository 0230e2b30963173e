// SPDX-License-Identifier: MIT
#include "support/http_server.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/socket.h"

namespace TestSupport {

namespace {

constexpr int pollMilliseconds = 50;

// The tests talk to their own servers only, never through a proxy that the
// environment may name. Set before main, while there is one thread.
const bool noProxy = [] {
    setEnvironment("no_proxy", "*");
    setEnvironment("NO_PROXY", "*");
    return true;
}();

}  // namespace

struct HttpServer::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    std::map<std::string, Reply> replies;
    bool closingOnAccept = false;
    int connectionCount = 0, requestCount = 0, clientCloseCount = 0, replyCount = 0;
    std::vector<std::string> heads;
    Socket listener = noSocket;
    std::thread acceptor;
    std::vector<std::thread> workers;

    template <class Read>
    auto locked(Read read)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return read();
    }
    void increment(int& counter)
    {
        locked([&] { return ++counter; });
        changed.notify_all();
    }
    bool waitUntil(int milliseconds, const int& counter, int count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [&] { return counter >= count; });
    }
    bool isStopping() { return locked([this] { return stopping; }); }
    // Sleeps, but returns false at once when the server is being destroyed.
    bool pause(int milliseconds)
    {
        if (milliseconds <= 0)
            return true;
        std::unique_lock<std::mutex> lock(mutex);
        return !changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping; });
    }

    void acceptLoop();
    void serve(Socket socket);
    bool receive(Socket socket, std::string& buffer);
    bool answer(Socket socket, const Reply& reply);
    bool sendAll(Socket socket, const char* data, std::size_t length);
    bool sendAll(Socket socket, const std::string& text) { return sendAll(socket, text.data(), text.size()); }
};

std::string patternBytes(std::size_t length)
{
    std::string bytes(length, '\0');
    std::uint32_t x = 12345;
    for (char& byte : bytes) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<char>(x >> 16);
    }
    return bytes;
}

std::size_t deliveredBeforeCut(std::size_t sent)
{
    return runningUnderWine() ? sent - sent % 20480 : sent;
}

HttpServer::HttpServer(const std::string& address) : state(new State)
{
    (void)noProxy;
    std::string error;
    state->listener = listenOn(address, 80, error);
    if (state->listener == noSocket)
        throw std::runtime_error("cannot listen on " + address + ":80: " + error);
    state->acceptor = std::thread([this] { state->acceptLoop(); });
}

HttpServer::~HttpServer()
{
    state->locked([this] { return state->stopping = true; });
    state->changed.notify_all();
    state->acceptor.join();
    for (std::thread& worker : state->workers)
        worker.join();
    closeSocket(state->listener);
}

void HttpServer::on(const std::string& path, const Reply& reply)
{
    state->locked([&] { return state->replies[path] = reply; });
}
void HttpServer::closeOnAccept(bool close) { state->locked([&] { return state->closingOnAccept = close; }); }
int HttpServer::connections() { return state->locked([this] { return state->connectionCount; }); }
int HttpServer::closedByClient() { return state->locked([this] { return state->clientCloseCount; }); }
int HttpServer::requests() { return state->locked([this] { return state->requestCount; }); }
std::vector<std::string> HttpServer::requestHeads() { return state->locked([this] { return state->heads; }); }
bool HttpServer::waitForRequests(int count, int milliseconds)
{
    return state->waitUntil(milliseconds, state->requestCount, count);
}
bool HttpServer::waitForReplies(int count, int milliseconds)
{
    return state->waitUntil(milliseconds, state->replyCount, count);
}
bool HttpServer::waitForClientCloses(int count, int milliseconds)
{
    return state->waitUntil(milliseconds, state->clientCloseCount, count);
}

void HttpServer::State::acceptLoop()
{
    while (!isStopping()) {
        if (!waitForSocket(listener, readable, pollMilliseconds))
            continue;
        Socket socket = acceptConnection(listener);
        if (socket == noSocket)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        ++connectionCount;
        if (closingOnAccept)
            closeSocket(socket);
        else
            workers.emplace_back([this, socket] { serve(socket); });
    }
}

void HttpServer::State::serve(Socket socket)
{
    std::string buffer;
    for (;;) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!receive(socket, buffer)) {
                closeSocket(socket);
                return;
            }
        std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::size_t pathStart = head.find(' ') + 1;
        std::string path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
        Reply reply(404);
        locked([&] {
            heads.push_back(head);
            ++requestCount;
            auto it = replies.find(path);
            return it != replies.end() ? reply = it->second : reply;
        });
        changed.notify_all();
        bool keepOpen = answer(socket, reply);
        increment(replyCount);
        if (!keepOpen)
            return;  // answer has closed the socket
    }
}

bool HttpServer::State::receive(Socket socket, std::string& buffer)
{
    while (!isStopping()) {
        if (!waitForSocket(socket, readable, pollMilliseconds))
            continue;
        char chunk[4096];
        long received = receiveSome(socket, chunk, sizeof chunk);
        if (received <= 0) {
            increment(clientCloseCount);
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(received));
        return true;
    }
    return false;
}

// Sends the reply; false when the connection is closed afterwards.
bool HttpServer::State::answer(Socket socket, const Reply& reply)
{
    bool ok = pause(reply.delayMilliseconds);
    std::string statusLine = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\n";
    long long length = reply.announcedLength >= 0 ? reply.announcedLength
                                                  : static_cast<long long>(reply.body.size());
    std::string head = statusLine + "Content-Type: application/octet-stream\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    if (reply.chunked)
        head += "Transfer-Encoding: chunked\r\n\r\n";
    else if (reply.untilClose)
        head += "Connection: close\r\n\r\n";
    else
        head += "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    if (reply.endlessHeaders) {
        // Header lines until the client goes away or the server is destroyed.
        std::string lines;
        for (int i = 0; i < 100; ++i)
            lines += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
        if (ok && sendAll(socket, statusLine))
            while (sendAll(socket, lines)) {
            }
        ok = false;
    } else if (!reply.headless) {
        ok = ok && sendAll(socket, head);
    }
    if (reply.chunked) {
        static const std::size_t sizes[] = {1, 4000, 777, 20480, 9};
        for (std::size_t at = 0, i = 0; ok && at < reply.body.size(); ++i) {
            std::size_t n = std::min(sizes[i % 5], reply.body.size() - at);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", n);
            ok = sendAll(socket, size) && sendAll(socket, reply.body.data() + at, n) &&
                 sendAll(socket, "\r\n");
            at += n;
        }
        ok = ok && sendAll(socket, "0\r\n\r\n");
    } else {
        std::size_t upTo = reply.cut == Reply::complete ? reply.body.size() : reply.cutAt;
        do {
            if (reply.trickleMilliseconds > 0)
                for (std::size_t at = 0; ok && at < upTo; ++at)
                    ok = pause(reply.trickleMilliseconds) && sendAll(socket, reply.body.data() + at, 1);
            else
                ok = ok && sendAll(socket, reply.body.data(), upTo);
        } while (ok && reply.endless);
    }
    if (ok && reply.cut == Reply::stall) {
        ok = pause(reply.stallMilliseconds < 0 ? INT_MAX : reply.stallMilliseconds) &&
             sendAll(socket, reply.body.data() + reply.cutAt, reply.body.size() - reply.cutAt);
    } else if (ok && reply.cut == Reply::reset) {
        pause(200);
        resetSocket(socket);
        return false;
    }
    if (!ok || reply.untilClose || reply.headless) {
        closeSocket(socket);
        return false;
    }
    return true;
}

// Sends everything, waiting for room in bounded steps: false when the
// connection fails or the server is being destroyed.
bool HttpServer::State::sendAll(Socket socket, const char* data, std::size_t length)
{
    while (length > 0) {
        if (isStopping())
            return false;
        if (!waitForSocket(socket, writable, pollMilliseconds))
            continue;
        const long sent = sendSome(socket, data, length);
        if (sent < 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace TestSupport
