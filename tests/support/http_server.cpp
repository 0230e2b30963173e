#include "support/http_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

namespace {

constexpr int pollMilliseconds = 50;

// The tests talk to their own servers only, never through a proxy that the
// environment may name. Set before main, while there is one thread.
const bool noProxy = [] {
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
    return true;
}();

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
    }
}

bool sendAll(int socket, const char* data, std::size_t length)
{
    while (length > 0) {
        ssize_t sent = ::send(socket, data, length, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool sendAll(int socket, const std::string& text)
{
    return sendAll(socket, text.data(), text.size());
}

}  // namespace

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

HttpServer::HttpServer(const std::string& address)
{
    (void)noProxy;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(80);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + address);
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener, 16) != 0) {
        std::string error = std::strerror(errno);
        close(listener);
        throw std::runtime_error("cannot listen on " + address + ":80: " + error);
    }
    acceptor = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    acceptor.join();
    for (std::thread& worker : workers)
        worker.join();
    close(listener);
}

void HttpServer::on(const std::string& path, const Reply& reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    replies[path] = reply;
}

int HttpServer::connections()
{
    std::lock_guard<std::mutex> lock(mutex);
    return connectionCount;
}

int HttpServer::requests()
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(heads.size());
}

std::vector<std::string> HttpServer::requestHeads()
{
    std::lock_guard<std::mutex> lock(mutex);
    return heads;
}

bool HttpServer::waitForRequests(int count, int timeoutMilliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                            [&] { return static_cast<int>(heads.size()) >= count; });
}

bool HttpServer::waitForReplies(int count, int timeoutMilliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                            [&] { return replyCount >= count; });
}

void HttpServer::acceptLoop()
{
    pollfd waiting = {listener, POLLIN, 0};
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return;
        }
        if (poll(&waiting, 1, pollMilliseconds) <= 0)
            continue;
        int socket = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        ++connectionCount;
        workers.emplace_back([this, socket] { serve(socket); });
    }
}

void HttpServer::serve(int socket)
{
    std::string buffer;
    for (;;) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!receive(socket, buffer)) {
                close(socket);
                return;
            }
        std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::size_t pathStart = head.find(' ') + 1;
        std::string path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
        Reply reply;
        reply.status = 404;
        {
            std::lock_guard<std::mutex> lock(mutex);
            heads.push_back(head);
            auto it = replies.find(path);
            if (it != replies.end())
                reply = it->second;
        }
        changed.notify_all();
        bool keepOpen = answer(socket, reply);
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++replyCount;
        }
        changed.notify_all();
        if (!keepOpen)
            return;  // answer has closed the socket
    }
}

bool HttpServer::receive(int socket, std::string& buffer)
{
    pollfd waiting = {socket, POLLIN, 0};
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return false;
        }
        if (poll(&waiting, 1, pollMilliseconds) <= 0)
            continue;
        char chunk[4096];
        ssize_t received = recv(socket, chunk, sizeof chunk, 0);
        if (received <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(received));
        return true;
    }
}

// Sends the reply; false when the connection is closed afterwards.
bool HttpServer::answer(int socket, const Reply& reply)
{
    bool ok = pause(reply.delayMilliseconds);
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                       "\r\nContent-Type: application/octet-stream\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    head += reply.chunked ? "Transfer-Encoding: chunked\r\n\r\n"
                          : "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
    ok = ok && sendAll(socket, head);
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
        std::size_t length = reply.cut == Reply::complete ? reply.body.size() : reply.cutAt;
        ok = ok && sendAll(socket, reply.body.data(), length);
    }
    if (ok && reply.cut == Reply::stall) {
        ok = pause(reply.stallMilliseconds < 0 ? INT_MAX : reply.stallMilliseconds) &&
             sendAll(socket, reply.body.data() + reply.cutAt, reply.body.size() - reply.cutAt);
    } else if (ok && reply.cut == Reply::reset) {
        pause(200);
        linger abort = {1, 0};  // close with RST instead of FIN
        setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ok = false;
    }
    if (!ok)
        close(socket);
    return ok;
}

// Sleeps, but returns false at once when the server is being destroyed.
bool HttpServer::pause(int milliseconds)
{
    if (milliseconds <= 0)
        return true;
    std::unique_lock<std::mutex> lock(mutex);
    return !changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return stopping; });
}

}  // namespace TestSupport
